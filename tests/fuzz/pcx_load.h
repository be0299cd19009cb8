// One PCX load as a fuzz input: the first bytes choose the buffer's depth
// and size, the flags and the drawing position, the rest is the file. After
// the load the layer must have kept every promise, or the run stops.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/state.h"
#include "input.h"
#include "platform/portable/control/control.h"

namespace fuzz {

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: broken promise: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

struct Depth {
    int bits;
    bool five_five_five;
};
constexpr Depth depths[] = {{8, false}, {16, false}, {16, true}, {24, false}, {32, false}};

// The depth of the display set up, or -1 for none.
inline int current_depth = -1;
inline void forget_display() { current_depth = -1; }

// A display of the depth, set up again only when the depth changes.
inline void display_of(int choice) {
    int& current = current_depth;
    if (choice == current) return;
    current = choice;
    gfx_shutdown();
    platform::reset();
    platform::set_call_logging(false);
    reset_layer_globals();
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "FuzzWindow";
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "FuzzWindow", "FuzzWindow", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                  nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    platform::set_rgb16_555(depths[choice].five_five_five);
    // A small display: set-up is then quick, and the fuzzer spends its time
    // in the code under test.
    platform::set_display_modes({{96, 64, 8}, {96, 64, 16}, {96, 64, 24}, {96, 64, 32}});
    gfx_request_mode(96, 64, depths[choice].bits, GFX_MODE_FLIP);
    FUZZ_CHECK(gfx_setup_display() == 0);
}

// Every byte of the surface, row padding included.
inline std::vector<std::uint8_t> surface_bytes(IDirectDrawSurface7* surface) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    FUZZ_CHECK(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK);
    const auto* bytes = static_cast<const std::uint8_t*>(desc.lpSurface);
    std::vector<std::uint8_t> copy(bytes, bytes + static_cast<std::size_t>(desc.lPitch) * desc.dwHeight);
    surface->Unlock(nullptr);
    return copy;
}

inline int load_one(const std::uint8_t* data, std::size_t size, bool from_file) {
    FuzzInput in(data, size);
    const int choice = in.byte() % 5;
    std::int32_t flags = in.byte();
    const std::int32_t x = static_cast<std::int16_t>(in.take<std::uint16_t>());
    const std::int32_t y = static_cast<std::int16_t>(in.take<std::uint16_t>());
    const std::int32_t width = 1 + in.byte() % 96, height = 1 + in.byte() % 64;
    const std::vector<std::uint8_t> file(in.rest(), in.rest() + in.left());
    flags = from_file ? flags & ~PCX_FROM_MEMORY : flags | PCX_FROM_MEMORY;

    // The platform keeps a record of every object it ever made, so that a
    // call on a freed one is seen; a fresh start now and then keeps that
    // from growing without end.
    static int inputs = 0;
    if (++inputs % 512 == 0) forget_display();
    display_of(choice);
    const BufferHandle handle = gfx_create_buffer(width, height);
    FUZZ_CHECK(handle > 0);
    gfx_select_buffer(handle);
    const VirtualBuffer& slot = buffer_table[handle];
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        FUZZ_CHECK(slot.surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) == DD_OK);
        auto* bytes = static_cast<std::uint8_t*>(desc.lpSurface);
        for (std::size_t i = 0; i < static_cast<std::size_t>(desc.lPitch) * desc.dwHeight; ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
        }
        slot.surface->Unlock(nullptr);
    }
    const std::vector<std::uint8_t> before = surface_bytes(slot.surface);
    gfx_move_to(x, y);

    std::int32_t result;
    if (from_file) {
        static const std::string path = "/tmp/nightwick_fuzz_" + std::to_string(::getpid()) + ".pcx";
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        result = gfx_load_pcx(path.c_str(), flags);
    } else {
        gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
        result = gfx_load_pcx("", flags);
    }

    FUZZ_CHECK(result >= 0 && result <= PCX_ENDED_EARLY);
    FUZZ_CHECK(display.lock_count == 0);
    FUZZ_CHECK(platform::global_block_count() == 0);
    FUZZ_CHECK(platform::open_file_count() == 0);
    FUZZ_CHECK(read_buffer.data == read_block.data() && read_buffer.size == 4096);
    FUZZ_CHECK(platform::misuse_count() == 0);

    // Outside the picture's rectangle no byte changes, row padding included,
    // and a refused file changes nothing at all. Colour reduction rewrites
    // the whole buffer and is left out.
    const bool reduces = depths[choice].bits == 8 && (flags & (PCX_KEEP_PALETTE | PCX_NO_COLOR_REDUCTION)) == 0;
    if (!reduces) {
        std::int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the rectangle, ends excluded
        if ((result == 0 || result == PCX_ENDED_EARLY) && file.size() >= 128) {
            auto word = [&](int at) { return static_cast<std::int64_t>(file[at] | file[at + 1] << 8); };
            x0 = flags & PCX_AT_DRAW_POSITION ? x : word(4);
            y0 = flags & PCX_AT_DRAW_POSITION ? y : word(6);
            x1 = x0 + word(8) - word(4) + 1;
            y1 = y0 + word(10) - word(6) + 1;
        }
        const std::vector<std::uint8_t> after = surface_bytes(slot.surface);
        FUZZ_CHECK(after.size() == before.size());
        const std::int64_t bytes = slot.bits_per_pixel / 8;
        const std::int64_t pitch = static_cast<std::int64_t>(after.size()) / slot.height;
        for (std::int64_t row = 0; row < slot.height; ++row) {
            for (std::int64_t at = 0; at < pitch; ++at) {
                const std::int64_t column = at / bytes;
                const bool inside = row >= y0 && row < y1 && column >= x0 && column < x1 && column < slot.width;
                if (!inside) FUZZ_CHECK(after[row * pitch + at] == before[row * pitch + at]);
            }
        }
    }
    gfx_deselect_buffers();
    gfx_free_buffer(handle);
    return 0;
}

}  // namespace fuzz
