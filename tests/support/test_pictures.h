// Small, exactly known pictures for the program's tests: a background whose
// every pixel tells where it is, and sheets whose frames are solid blocks
// of one index (the lamp and rail with transparent holes).
#pragma once

#include <fstream>
#include <string>

#include "pcx_bytes.h"

namespace test_pictures {

// Background index at (x, y): never 0, never one of the sprite indices.
inline std::uint8_t background_at(int x, int y) { return static_cast<std::uint8_t>(10 + (x / 8 + y / 8) % 200); }

inline constexpr std::uint8_t fly_index = 230;
inline constexpr std::uint8_t lamp_index = 231;
inline constexpr std::uint8_t rail_index = 232;
inline constexpr std::uint8_t other_index = 233;

inline void save(const std::string& name, const std::vector<std::uint8_t>& file) {
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

template <typename F>
std::vector<std::uint8_t> picture(int width, int height, F index_at, bool with_palette) {
    PcxImage image;
    image.xmax = width - 1;
    image.ymax = height - 1;
    image.bytes_per_line = width;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) line[x] = index_at(x, y);
        encode_runs(image.data, line.data(), width);
    }
    auto file = image.bytes();
    if (with_palette) {
        std::uint8_t rgb[768];
        for (int i = 0; i < 256; ++i) {
            rgb[3 * i] = static_cast<std::uint8_t>(i);
            rgb[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
            rgb[3 * i + 2] = static_cast<std::uint8_t>(i * 3);
        }
        PcxImage::append_palette(file, rgb);
    }
    return file;
}

// A sheet whose listed rectangles are filled with `index`; 0 elsewhere.
struct Rect {
    int left, right, top, bottom;
};
// With `patterned`, the rectangles hold a pattern that differs at every
// pixel nearby instead, so that a mirrored or shifted draw shows.
inline std::vector<std::uint8_t> sheet(const std::vector<Rect>& rects, std::uint8_t index, bool patterned = false) {
    return picture(
        320, 200,
        [&](int x, int y) -> std::uint8_t {
            for (const Rect& r : rects) {
                if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
                    return patterned ? static_cast<std::uint8_t>(10 + (x * 7 + y * 3 + index) % 230) : index;
                }
            }
            return 0;
        },
        false);
}

// Writes all eight pictures into the current directory.
inline void write_all(bool patterned = false) {
    save("VeskBack.pcx", picture(640, 480, background_at, true));
    save("Mosquito.pcx", sheet({{5, 68, 0, 77},
                                {72, 148, 34, 74},
                                {153, 215, 33, 83},
                                {229, 304, 17, 80},
                                {2, 66, 96, 177},
                                {69, 145, 132, 175},
                                {150, 212, 134, 183},
                                {225, 300, 114, 173}},
                               fly_index, patterned));
    save("Mfall.pcx",
         sheet({{0, 80, 0, 92}, {82, 150, 0, 96}, {153, 229, 0, 104}, {235, 319, 0, 105}}, other_index, patterned));
    save("Mturn.pcx",
         sheet({{3, 102, 3, 42}, {110, 201, 6, 49}, {209, 311, 12, 61}, {2, 68, 73, 152}}, other_index, patterned));
    save("Mzap.pcx", sheet({{0, 111, 0, 98}, {117, 224, 0, 106}, {2, 97, 107, 196}}, other_index, patterned));
    save("Mzapa.pcx", sheet({{0, 110, 1, 112}}, other_index, patterned));
    // The lamp's left half is solid, its right half transparent.
    save("Lamp.pcx", sheet({{12, 66, 0, 159}}, lamp_index, patterned));
    // The rail is solid in its lower 40 rows only.
    save("Rail.pcx", sheet({{35, 271, 160, 199}}, rail_index, patterned));
}

}  // namespace test_pictures
