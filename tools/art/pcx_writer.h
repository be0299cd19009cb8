// Our PCX encoder: version 5, 8 bits per pixel, one plane, run-length
// encoded, with the 256-colour palette block at the end.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Rows of `width` indices, top row first. Returns false when the file
// cannot be written.
bool write_pcx(const std::string& path, int width, int height, const std::vector<std::uint8_t>& indices,
               const std::array<std::array<std::uint8_t, 3>, 256>& palette);
