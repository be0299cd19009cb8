// Building PCX file images byte by byte for the reader's tests.
#pragma once

#include <cstdint>
#include <vector>

struct PcxImage {
    std::uint8_t version = 5;
    std::uint8_t bits_per_pixel = 8;
    std::uint8_t planes = 1;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    int bytes_per_line = 0;
    std::uint8_t header_palette[48] = {};
    std::vector<std::uint8_t> data;  // encoded scan lines, as they are to stand in the file

    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> file(128, 0);
        file[0] = 10;
        file[1] = version;
        file[2] = 1;
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

// Run-length encodes one plane's bytes as an encoder would: runs of up to 63,
// and bytes of 192 or more always as runs.
inline void encode_plane(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, int count) {
    for (int i = 0; i < count;) {
        int run = 1;
        while (i + run < count && run < 63 && bytes[i + run] == bytes[i]) ++run;
        if (run > 1 || bytes[i] >= 0xC0) {
            out.push_back(static_cast<std::uint8_t>(0xC0 | run));
            out.push_back(bytes[i]);
        } else {
            out.push_back(bytes[i]);
        }
        i += run;
    }
}
