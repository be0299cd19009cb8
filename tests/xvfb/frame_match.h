// Which frame of a headless run a screenshot shows, from a checksum of each
// frame's page as the screenshot would show it. A page that the run shows at
// more than one frame (the empty scene, whenever no insect is in view) names
// no frame: an order or a rate computed from it could be off by the whole
// stretch over which it repeats, so such a screenshot is to be taken again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct FrameMatch {
    std::vector<int> frames;  // the frames (from 1) whose page the screenshot is

    // The frame the screenshot shows, or 0 when it shows none or several.
    int frame() const { return frames.size() == 1 ? frames.front() : 0; }
    bool ambiguous() const { return frames.size() > 1; }
};

// `checksums[i]` is frame i + 1's.
inline FrameMatch match_frame(std::span<const std::uint64_t> checksums, std::uint64_t screenshot) {
    FrameMatch match;
    for (std::size_t i = 0; i < checksums.size(); ++i) {
        if (checksums[i] == screenshot) match.frames.push_back(static_cast<int>(i) + 1);
    }
    return match;
}

// FNV-1a, a pixel at a time: pages of a run that differ are told apart by it.
inline std::uint64_t page_checksum(std::span<const std::uint32_t> pixels) {
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const std::uint32_t pixel : pixels) hash = (hash ^ pixel) * 0x100000001b3u;
    return hash;
}
