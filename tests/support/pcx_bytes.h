// Building PCX file images byte by byte for the reader's tests.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/art/pcx_runs.h"  // scan lines are encoded as our own files are

struct PcxImage {
    std::uint8_t version = 5;
    std::uint8_t encoding = 1;  // 0: bytes stored as they are
    std::uint8_t bits_per_pixel = 8;
    std::uint8_t planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int bytes_per_line = 0;
    std::uint8_t header_palette[48] = {};
    std::vector<std::uint8_t> data;  // scan lines, as they are to stand in the file

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> file(128, 0);
        file[0] = 10;
        file[1] = version;
        file[2] = encoding;
        file[3] = bits_per_pixel;
        auto word = [&](int at, int value) {
            file[at] = static_cast<std::uint8_t>(value);
            file[at + 1] = static_cast<std::uint8_t>(value >> 8);
        };
        word(4, xmin);
        word(6, ymin);
        word(8, xmax);
        word(10, ymax);
        for (int i = 0; i < 48; ++i) file[16 + i] = header_palette[i];
        file[65] = planes;
        word(66, bytes_per_line);
        file.insert(file.end(), data.begin(), data.end());
        return file;
    }

    // Appends the 769-byte trailing palette block.
    static void append_palette(std::vector<std::uint8_t>& file, const std::uint8_t (&rgb)[768],
                               std::uint8_t marker = 12) {
        file.push_back(marker);
        file.insert(file.end(), rgb, rgb + 768);
    }
};
