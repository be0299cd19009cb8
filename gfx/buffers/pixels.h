// One pixel routine per depth: how an 8-bit palette index becomes a pixel of
// the active buffer, and how a pixel is found again among the lookup's
// entries; deep pixels also take a colour as it is, for true-colour pictures.
// Routines are templates over the depth, chosen once per call.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "gfx/state.h"

// The two ways a 16-bit display packs red, green and blue. 5-6-5 comes
// first: a display record that was never set up packs that way.
enum class Rgb16Layout : std::uint8_t { rgb565, rgb555 };

// The layout a 16-bit display's red mask says: red starts at the top bit
// only in 5-6-5.
constexpr Rgb16Layout rgb16_layout_for(std::uint32_t red_mask) {
    return ((red_mask >> 8) & 0xFF) == 0xF8 ? Rgb16Layout::rgb565 : Rgb16Layout::rgb555;
}

// A colour as a 16-bit pixel: the top bits of each channel, green given one
// bit more in 5-6-5.
constexpr std::uint16_t pack_rgb16(Rgb16Layout layout, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    if (layout == Rgb16Layout::rgb555) {
        return static_cast<std::uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3));
    }
    return static_cast<std::uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

// A colour as the lookup keeps it for 24 and 32 bits: 0, red, green, blue.
constexpr std::array<std::uint8_t, 4> lookup_entry(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return {0, red, green, blue};
}

template <int Bits>
struct Pixel;

template <>
struct Pixel<8> {
    static constexpr int bytes = 1;
    static void put(std::uint8_t* at, std::uint8_t index) { *at = index; }
    static std::uint8_t capture(const std::uint8_t* at) { return *at; }
};

template <>
struct Pixel<16> {
    static constexpr int bytes = 2;
    static void put(std::uint8_t* at, std::uint8_t index) { store(at, color_lookup.rgb16[index]); }
    static void put_rgb(std::uint8_t* at, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        store(at, pack_rgb16(display.rgb16_layout, red, green, blue));
    }
    static void store(std::uint8_t* at, std::uint16_t value) {
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
    }
    // The lowest index whose entry holds the pixel; 0 when none does.
    static std::uint8_t capture(const std::uint8_t* at) {
        const std::uint16_t value = static_cast<std::uint16_t>(at[0] | (at[1] << 8));
        for (int i = 0; i < 256; ++i) {
            if (color_lookup.rgb16[i] == value) return static_cast<std::uint8_t>(i);
        }
        return 0;
    }
};

// 24 and 32 bits: blue, green and red, then at 32 bits the entry's top
// byte. A 24-bit pixel has no room for that byte, so it is found again only
// among entries whose top byte is 0.
template <int Bytes>
struct DeepPixel {
    static constexpr int bytes = Bytes;
    static void put(std::uint8_t* at, std::uint8_t index) { store(at, color_lookup.rgb32[index]); }
    static void put_rgb(std::uint8_t* at, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        store(at, lookup_entry(red, green, blue));
    }
    template <typename Entry>
    static void store(std::uint8_t* at, const Entry& entry) {
        at[0] = entry[3];
        at[1] = entry[2];
        at[2] = entry[1];
        if constexpr (Bytes == 4) at[3] = entry[0];
    }
    static std::uint8_t capture(const std::uint8_t* at) {
        const std::uint8_t top = Bytes == 4 ? at[3] : 0;
        for (int i = 0; i < 256; ++i) {
            const auto& entry = color_lookup.rgb32[i];
            if (entry[3] == at[0] && entry[2] == at[1] && entry[1] == at[2] && entry[0] == top) {
                return static_cast<std::uint8_t>(i);
            }
        }
        return 0;
    }
};

template <>
struct Pixel<24> : DeepPixel<3> {};

template <>
struct Pixel<32> : DeepPixel<4> {};

// The depths the layer draws, in one list that every pixel routine goes
// by: a buffer of any other depth is never drawn into, read or loaded.
template <int... Depths>
struct DepthList {
    static constexpr bool has(std::int32_t bits) { return ((bits == Depths) || ...); }
    // Runs Routine::template run<Bits>(args...) for the listed depth equal
    // to bits, if there is one.
    template <typename Routine, typename... Args>
    static void run(std::int32_t bits, Args&&... args) {
        static_cast<void>(
            ((bits == Depths && (Routine::template run<Depths>(std::forward<Args>(args)...), true)) || ...));
    }
};
using DrawableDepths = DepthList<8, 16, 24, 32>;

inline bool drawable_depth(std::int32_t bits) { return DrawableDepths::has(bits); }

// Bytes of one pixel; 0 for a depth the layer does not draw.
inline std::int32_t bytes_per_pixel(std::int32_t bits) { return drawable_depth(bits) ? bits / 8 : 0; }

// Runs the routine at the buffer's depth; a depth the layer does not draw
// runs nothing.
template <typename Routine, typename... Args>
void for_depth(std::int32_t bits, Args&&... args) {
    DrawableDepths::run<Routine>(bits, std::forward<Args>(args)...);
}
