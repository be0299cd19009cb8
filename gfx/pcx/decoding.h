// Decoding of PCX scan lines from the reader's input. Run-length data has a
// plain decoder that takes one byte at a time, and a fast one that finds
// literal spans a vector at a time and writes runs as whole blocks; both
// give the same line buffer, byte for byte, on every input. Stored data is
// copied as it stands.
#pragma once

#include <cstdint>

#include "gfx/pcx/reading.h"

// Input bytes: 4096-byte blocks from the file, or the memory image.
class PcxInput {
public:
    explicit PcxInput(const ReadingContext& context);
    bool take(std::uint8_t& byte) {
        if (left_ <= 0) {
            if (context_.from_memory || !refill()) return false;
        }
        byte = *next_++;
        --left_;
        return true;
    }
    // The bytes at hand without a refill.
    const std::uint8_t* next() const { return next_; }
    std::int32_t left() const { return left_; }
    void skip(std::int32_t bytes) {
        next_ += bytes;
        left_ -= bytes;
    }
    // Copies up to `count` bytes, refilling as needed; returns how many
    // there were.
    std::int64_t take(std::uint8_t* out, std::int64_t count);

private:
    bool refill();
    const ReadingContext& context_;
    const std::uint8_t* next_ = nullptr;
    std::int32_t left_ = 0;
};

// Decodes one scan line of `length` bytes behind the `carried` bytes already
// at the front of `line`; returns the bytes written past the end, which the
// caller moves to the front for the next line. When the input runs out the
// rest of the line keeps what it held, and `exhausted` is set. The line
// buffer has 1024 bytes to spare behind the line.
using DecodeLine = std::int64_t (*)(PcxInput& input, std::uint8_t* line, std::int64_t length, std::int64_t carried,
                                    bool& exhausted);

// The decoder for stored lines, or the run-length decoder of the row
// kernels' form (see gfx/buffers/spans.h), chosen once per image.
DecodeLine line_decoder(bool stored);
