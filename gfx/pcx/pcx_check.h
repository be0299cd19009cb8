// Whether a file's bytes are a PCX picture the reader can show whole: a
// picture that is cut short, is not a PCX file at all, or has a depth or a
// size its user cannot cut from would load without a word and show wrong.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct PcxNeeds {
    std::int32_t width = 1, height = 1;  // at least this many pixels
    bool palette = false;                // its 256 colours are used
};

// Empty when the picture serves; otherwise why not, as a phrase to follow
// the file's name ("is empty", "is cut short: ...").
std::string pcx_problem(std::span<const std::uint8_t> bytes, const PcxNeeds& needs);
