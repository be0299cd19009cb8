// Checking a PCX picture against what its user needs, without loading it.
#include "gfx/pcx/pcx_check.h"

#include <cstdio>

namespace {

constexpr std::size_t header_size = 128, palette_block = 769;

std::string format(const char* pattern, long a, long b = 0, long c = 0, long d = 0) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, a, b, c, d);
    return text;
}

// How many bytes the run-length data in `data` decodes to; `complete` says
// whether its last run is whole.
std::uint64_t decoded_length(std::span<const std::uint8_t> data, std::uint64_t wanted, bool& complete) {
    std::uint64_t length = 0;
    complete = true;
    for (std::size_t at = 0; at < data.size() && length < wanted; ++at) {
        if ((data[at] & 0xC0) != 0xC0) {
            ++length;
        } else if (at + 1 < data.size()) {
            length += data[at] & 0x3F;
            ++at;
        } else {
            complete = false;
        }
    }
    return length;
}

}  // namespace

std::string pcx_problem(std::span<const std::uint8_t> bytes, const PcxNeeds& needs) {
    if (bytes.empty()) return "is empty";
    if (bytes.size() < header_size) return format("is cut short: %ld bytes, less than a PCX header", bytes.size());
    if (bytes[0] != 10) return "is not a PCX picture";
    auto word = [&](std::size_t at) { return static_cast<long>(bytes[at] | (bytes[at + 1] << 8)); };
    const long width = word(8) - word(4) + 1, height = word(10) - word(6) + 1;
    const long bits = bytes[3], planes = bytes[65], bytes_per_line = word(66);
    if (width <= 0 || height <= 0 || bytes_per_line * 8 < width * bits)
        return "is not a PCX picture (its size is broken)";
    if (bits != 8 || planes != 1) {
        return format("has %ld-bit colour; 256 colours (8 bits in one plane) are needed", bits * planes);
    }
    if (width < needs.width || height < needs.height) {
        return format("is %ld x %ld pixels; at least %ld x %ld are needed", width, height, needs.width, needs.height);
    }
    const bool has_palette =
        bytes[1] == 5 && bytes.size() >= header_size + palette_block && bytes[bytes.size() - palette_block] == 12;
    const std::uint64_t picture = static_cast<std::uint64_t>(bytes_per_line) * static_cast<std::uint64_t>(height);
    const std::size_t data_end = bytes.size() - (has_palette ? palette_block : 0);
    // Stored lines: the data is the picture's bytes exactly.
    const bool stored = bytes[2] == 0 && (bytes.size() - header_size == picture || data_end - header_size == picture);
    if (!stored) {
        bool complete = true;
        const std::uint64_t decoded =
            decoded_length(bytes.subspan(header_size, data_end - header_size), picture, complete);
        if (decoded < picture || !complete) {
            return format("is cut short: its pixels end in row %ld of %ld",
                          static_cast<long>(decoded / bytes_per_line) + 1, height);
        }
    }
    if (needs.palette && !has_palette) return "carries no 256-colour palette at its end";
    return {};
}
