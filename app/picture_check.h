// What the scene cuts from each of its pictures, and whether a file serves.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Empty when `bytes` serve as the picture `name`; otherwise why not, as a
// phrase to follow the name ("is empty"). Names the scene does not read
// serve as any PCX picture.
std::string picture_problem(std::string_view name, std::span<const std::uint8_t> bytes);
