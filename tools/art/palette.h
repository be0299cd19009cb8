// One palette for every picture: median cut over the colours all of them
// use, then each picture's pixels mapped onto it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/art/canvas.h"

struct Palette {
    // Entries 10 to 245 are the pictures' colours; the rest stay black.
    std::array<std::array<std::uint8_t, 3>, 256> entries{};
    int first = 10;
    int count = 236;
};

// Weighted colour samples: opaque pixels of the pictures.
struct Samples {
    std::vector<std::uint32_t> rgb;
    std::vector<std::uint32_t> weight;
    void add(const Canvas& canvas, std::uint32_t weight_each);
};

Palette build_palette(const Samples& samples);

// Palette indices of a canvas: index 0 where the canvas is (mostly)
// transparent, when `transparent` is set; error diffusion when `dither`.
std::vector<std::uint8_t> map_to_palette(const Canvas& canvas, const Palette& palette, bool transparent, bool dither);
