// What one PCX load shares between the reader and its palette step.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/state.h"

struct PcxHeader {
    std::array<std::uint8_t, 128> raw{};
    std::uint8_t manufacturer = 0;
    std::uint8_t version = 0;
    std::uint8_t encoding = 0;
    std::uint8_t bits_per_pixel = 0;
    std::uint16_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    const std::uint8_t* palette16() const { return raw.data() + 16; }
    std::uint8_t planes = 0;
    std::uint16_t bytes_per_line = 0;
};

// The last header read.
extern PcxHeader pcx_header;

// How the scan line's bytes make pixels: 16 colours in 4 planes of 1 bit,
// true colour in 3 planes of 8 bits (a fourth, alpha, plane is ignored), 256
// colours in one plane of 8 bits, 2 colours in one plane of 1 bit.
enum class PcxFormat { planes4, true_color, bits8, bits1 };

struct ReadingContext {
    HANDLE file = INVALID_HANDLE_VALUE;  // file mode only
    bool from_memory = false;
    const std::uint8_t* memory = nullptr;  // the whole file image in memory mode
    std::int32_t memory_size = 0;
    std::int32_t flags = 0;
    PcxFormat format = PcxFormat::bits8;
};

// The palette step: early for buffers deeper than 8 bits (before any pixel
// is converted), late for 8-bit buffers (after all are stored).
void pcx_palette_step(const ReadingContext& context);
