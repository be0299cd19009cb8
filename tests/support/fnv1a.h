// FNV-1a over bytes: the tests' one hash of a page or a text.
#pragma once

#include <cstdint>
#include <span>

inline std::uint32_t fnv1a(std::span<const std::uint8_t> bytes) {
    std::uint32_t hash = 2166136261u;
    for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 16777619u;
    return hash;
}
