// Handing a PCX picture's palette to the display: the 256-colour block at
// the end of version-5 files of 256 colours, or else the 16 header colours.
#include <cstring>

#include "gfx/pcx/reading.h"

namespace {

// The trailing block: the marker byte 12, then 256 RGB triples.
std::array<std::uint8_t, 769> palette_area{};

// The block follows the header and the picture, so a file of fewer than
// 128 + 769 bytes has none, in a file as in memory.
bool fetch_trailing_palette(const ReadingContext& context) {
    if (context.from_memory) {
        if (context.memory_size < 128 + 769) return false;
        std::memcpy(palette_area.data(), context.memory + context.memory_size - 769, 769);
        return true;
    }
    const DWORD at = SetFilePointer(context.file, -769, nullptr, FILE_END);
    DWORD read = 0;
    if (at != INVALID_SET_FILE_POINTER && at >= 128) ReadFile(context.file, palette_area.data(), 769, &read, nullptr);
    // Decoding goes on right behind the header.
    SetFilePointer(context.file, 128, nullptr, FILE_BEGIN);
    return read == 769;
}

// The header's 16 colours; a 2-colour picture whose two colours are the same
// (some writers leave both black) is shown black and white.
std::array<std::uint8_t, 48> header_colors(const ReadingContext& context) {
    std::array<std::uint8_t, 48> colors{};
    std::memcpy(colors.data(), pcx_header.palette16(), colors.size());
    if (context.format == PcxFormat::bits1 && std::memcmp(colors.data(), colors.data() + 3, 3) == 0) {
        std::memset(colors.data(), 0, 3);
        std::memset(colors.data() + 3, 255, 3);
    }
    return colors;
}

}  // namespace

void pcx_palette_step(const ReadingContext& context) {
    if ((context.flags & PCX_KEEP_PALETTE) || context.format == PcxFormat::true_color) return;
    // Only 256-colour pictures carry the trailing block; in a 2- or
    // 16-colour file the byte 769 from the end is picture data.
    if (context.format == PcxFormat::bits8 && pcx_header.version == 5 && fetch_trailing_palette(context) &&
        palette_area[0] == 12) {
        std::uint8_t* triples = palette_area.data() + 1;
        if (!(context.flags & PCX_NO_COLOR_REDUCTION)) gfx_reduce_colors(10, 236, triples);
        gfx_set_image_palette(236, triples + 3 * 10, 256, triples);
        return;
    }
    const std::array<std::uint8_t, 48> colors = header_colors(context);
    gfx_set_image_palette(16, colors.data(), 16, colors.data());
}
