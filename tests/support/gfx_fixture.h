// Tests of the graphics layer start from a reset platform and layer, with
// a window that has the focus, as the program has when it sets up.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "ddraw_helpers.h"
#include "gfx/buffers/pixels.h"
#include "gfx/gfx.h"
#include "gfx/state.h"
#include "platform_fixture.h"
#include "temp_path.h"

class GfxTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        reset_layer_globals();
        window_ = create_test_window();
    }
    void TearDown() override {
        reset_layer_globals();
        PlatformTest::TearDown();
    }

    // An exclusive 640 x 480 display of the given depth whose back buffer is
    // buffer 0, selected.
    void setup_display(int bits = 8, std::uint32_t flags = GFX_MODE_FLIP) {
        gfx_request_mode(640, 480, bits, flags);
        ASSERT_EQ(gfx_setup_display(), 0);
        ASSERT_EQ(gfx_last_error(), 0);
    }

    // A fresh platform, layer and window, for a test that starts over.
    void restart() {
        platform::reset();
        reset_layer_globals();
        window_ = create_test_window();
    }

    HWND window_ = nullptr;
};

using Strings = std::vector<std::string>;

// The names of the calls logged so far, in order.
inline Strings call_names() {
    Strings names;
    for (const platform::Call& call : platform::calls()) names.push_back(call.name);
    return names;
}

// A logged call's arguments at the given places.
inline Strings args_at(const platform::Call& call, std::initializer_list<std::size_t> places) {
    Strings picked;
    for (const std::size_t place : places) picked.push_back(call.args.at(place));
    return picked;
}

// Holds one lock level on the active buffer for direct pixel access.
class Locked {
public:
    Locked() { lock_active_buffer(); }
    ~Locked() { unlock_active_buffer(); }
    std::uint8_t* at(int x, int y) const {
        const int bytes = active_buffer.bits_per_pixel / 8;
        return active_buffer.pixels + static_cast<std::ptrdiff_t>(y) * active_buffer.pitch + x * bytes;
    }
    // The pixel's bytes as one little-endian number.
    std::uint32_t get(int x, int y) const {
        std::uint32_t value = 0;
        std::memcpy(&value, at(x, y), static_cast<std::size_t>(active_buffer.bits_per_pixel / 8));
        return value;
    }
    void set(int x, int y, std::uint32_t value) const {
        std::memcpy(at(x, y), &value, static_cast<std::size_t>(active_buffer.bits_per_pixel / 8));
    }
    void fill(std::uint32_t value) const {
        for (int y = 0; y < active_buffer.height; ++y) {
            for (int x = 0; x < active_buffer.width; ++x) set(x, y, value);
        }
    }
};

// The native pixel that palette index `index` has in the active buffer.
inline std::uint32_t native(std::uint8_t index) {
    switch (active_buffer.bits_per_pixel) {
        case 16:
            return color_lookup.rgb16[index];
        case 24:
        case 32: {
            const auto& e = color_lookup.rgb32[index];
            return static_cast<std::uint32_t>(e[3]) | (e[2] << 8) | (e[1] << 16) |
                   (static_cast<std::uint32_t>(e[0]) << 24);
        }
        default:
            return index;
    }
}

// A palette whose entries stay different colours at every depth, 16-bit
// layouts included, set as the layer's own.
inline void distinct_palette() {
    for (int i = 0; i < 256; ++i) {
        master_palette.entries[i] =
            PALETTEENTRY{static_cast<BYTE>((i & 31) << 3), static_cast<BYTE>((i >> 5) << 5), 0x40, PC_RESERVED};
    }
}

// A depth the layer draws, and for 16 bits which layout the display has.
struct Depth {
    int bits;
    bool five_five_five = false;
};

inline void PrintTo(const Depth& depth, std::ostream* out) {
    *out << depth.bits << (depth.five_five_five ? " bits 5-5-5" : " bits");
}

// Tests repeated at every depth (see every_depth), with the distinct
// palette; the display is the test's own to set up.
class DepthTest : public GfxTest, public ::testing::WithParamInterface<Depth> {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        platform::set_rgb16_555(GetParam().five_five_five);
        distinct_palette();
    }
    static int bits() { return GetParam().bits; }
};

inline const auto every_depth = ::testing::Values(Depth{8}, Depth{16}, Depth{16, true}, Depth{24}, Depth{32});
