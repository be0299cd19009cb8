// Colour reduction: the colours used inside the active buffer's clip
// rectangle are merged, closest pair first, until at most `count` remain,
// then packed onto entries start to start + count - 1.
#include <array>
#include <cstring>
#include <limits>

#include "gfx/state.h"

namespace {

std::array<std::uint32_t, 256> use_counts{};
std::array<std::uint8_t, 256> color_map{};

int distance(const std::uint8_t* rgb, int i, int j, std::int64_t best) {
    int sum = 0;
    for (int c = 0; c < 3; ++c) {
        const int d = rgb[3 * i + c] - rgb[3 * j + c];
        sum += d * d;
        if (sum > best) break;  // already farther than the best pair
    }
    return sum;
}

void merge_closest_pair(const std::uint8_t* rgb) {
    int best_i = -1, best_j = -1;
    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < 255; ++i) {
        if (use_counts[i] == 0) continue;
        for (int j = i + 1; j < 256; ++j) {
            if (use_counts[j] == 0) continue;
            const int d = distance(rgb, i, j, best);
            if (d < best) {
                best = d;
                best_i = i;
                best_j = j;
            } else if (d == best && use_counts[j] < std::min(use_counts[best_i], use_counts[best_j])) {
                // A tie goes to the pair whose rarer colour is rarer still.
                best_i = i;
                best_j = j;
            }
        }
    }
    if (best_i < 0) return;
    // The rarer colour goes; on equal counts, the lower index.
    const bool remove_j = use_counts[best_j] < use_counts[best_i];
    const int removed = remove_j ? best_j : best_i;
    const int kept = remove_j ? best_i : best_j;
    for (auto& mapped : color_map) {
        if (mapped == removed) mapped = static_cast<std::uint8_t>(kept);
    }
    use_counts[kept] += use_counts[removed];
    use_counts[removed] = 0;
}

template <typename Visit>
void each_clip_pixel(Visit visit) {
    const ClipRect& clip = active_buffer.clip;
    for (std::int64_t y = clip.min_y; y <= clip.max_y; ++y) {
        if (y < 0 || y >= active_buffer.height) continue;
        std::uint8_t* row = active_buffer.pixels + y * active_buffer.pitch;
        for (std::int64_t x = std::max<std::int64_t>(clip.min_x, 0); x <= clip.max_x && x < active_buffer.width; ++x) {
            visit(row[x]);
        }
    }
}

}  // namespace

std::int32_t gfx_reduce_colors(std::int32_t start, std::int32_t count, std::uint8_t* rgb) {
    if (active_buffer.handle == -1) return 0;
    if (count < 1 || start < 0 || start > 256 - count || rgb == nullptr) return 0;
    lock_active_buffer();
    if (active_buffer.bits_per_pixel != 8 || active_buffer.pixels == nullptr) {
        unlock_active_buffer();
        return 0;
    }
    use_counts.fill(0);
    for (int i = 0; i < 256; ++i) color_map[i] = static_cast<std::uint8_t>(i);
    each_clip_pixel([](std::uint8_t& pixel) { ++use_counts[pixel]; });
    int colors = 0;
    for (std::uint32_t used : use_counts) colors += used != 0 ? 1 : 0;
    for (; colors > count; --colors) merge_closest_pair(rgb);

    // Survivors take new indices in their old order; their triples move down.
    int next = 0;
    for (int i = 0; i < 256; ++i) {
        if (use_counts[i] == 0) continue;
        color_map[i] = static_cast<std::uint8_t>(next);
        std::memmove(rgb + 3 * next, rgb + 3 * i, 3);
        ++next;
    }
    for (int i = 0; i < 256; ++i) {
        if (use_counts[i] == 0) color_map[i] = color_map[color_map[i]];
    }
    if (start != 0) {
        std::memmove(rgb + 3 * start, rgb, static_cast<std::size_t>(3 * count));
        std::memset(rgb, 0, static_cast<std::size_t>(3 * start));
        std::memset(rgb + 3 * (start + count), 0, static_cast<std::size_t>(3 * (256 - start - count)));
    }
    each_clip_pixel([start](std::uint8_t& pixel) { pixel = static_cast<std::uint8_t>(color_map[pixel] + start); });
    unlock_active_buffer();
    return 0;
}
