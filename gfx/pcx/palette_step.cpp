// Handing a PCX picture's palette to the display: the 256-colour block at
// the end of version-5 files, or else the 16 header colours.
#include <cstring>

#include "gfx/pcx/reading.h"

namespace {

// The trailing block: the marker byte 12, then 256 RGB triples.
std::array<std::uint8_t, 769> palette_area{};

bool fetch_trailing_palette(const ReadingContext& context) {
    if (context.from_memory) {
        if (context.memory_size < 128 + 769) return false;
        std::memcpy(palette_area.data(), context.memory + context.memory_size - 769, 769);
        return true;
    }
    SetFilePointer(context.file, -769, nullptr, FILE_END);
    DWORD read = 0;
    ReadFile(context.file, palette_area.data(), 769, &read, nullptr);
    // Decoding goes on right behind the header.
    SetFilePointer(context.file, 128, nullptr, FILE_BEGIN);
    return read == 769;
}

}  // namespace

void pcx_palette_step(const ReadingContext& context) {
    if ((context.flags & PCX_KEEP_PALETTE) || pcx_header.planes == 3) return;
    if (pcx_header.version == 5 && fetch_trailing_palette(context) && palette_area[0] == 12) {
        std::uint8_t* triples = palette_area.data() + 1;
        if (!(context.flags & PCX_NO_COLOR_REDUCTION)) gfx_reduce_colors(10, 236, triples);
        gfx_set_image_palette(236, triples + 3 * 10, 256, triples);
        return;
    }
    gfx_set_image_palette(16, pcx_header.palette16(), 16, pcx_header.palette16());
}
