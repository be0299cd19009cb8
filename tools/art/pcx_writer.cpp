#include "tools/art/pcx_writer.h"

#include <algorithm>
#include <cstdio>

#include "tools/art/pcx_runs.h"

bool write_pcx(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
               const std::array<std::array<std::uint8_t, 3>, 256>& palette) {
    std::vector<std::uint8_t> file(128, 0);
    const int bytes_per_line = width + (width & 1);  // lines are an even number of bytes
    auto word = [&](int at, int value) {
        file[at] = static_cast<std::uint8_t>(value);
        file[at + 1] = static_cast<std::uint8_t>(value >> 8);
    };
    file[0] = 10;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    word(8, width - 1);
    word(10, height - 1);
    word(12, 72);
    word(14, 72);
    file[65] = 1;
    word(66, bytes_per_line);
    word(68, 1);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(bytes_per_line), 0);
    for (int y = 0; y < height; ++y) {
        std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(y) * width, width, line.begin());
        encode_runs(file, line.data(), bytes_per_line);
    }
    file.push_back(12);
    for (const auto& entry : palette) file.insert(file.end(), entry.begin(), entry.end());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}
