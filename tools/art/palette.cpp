#include "tools/art/palette.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace {

struct Box {
    std::vector<std::size_t> members;  // indices into the distinct colours
    std::uint64_t weight = 0;
};

int channel(std::uint32_t rgb, int c) { return static_cast<int>((rgb >> (16 - 8 * c)) & 0xFF); }

}  // namespace

void Samples::add(const Canvas& canvas, std::uint32_t weight_each) {
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint32_t p = canvas.argb(x, y);
            if ((p >> 24) < 128) continue;
            rgb.push_back(p & 0xFFFFFF);
            weight.push_back(weight_each);
        }
    }
}

Palette build_palette(const Samples& samples) {
    // Distinct colours with their total weight.
    std::map<std::uint32_t, std::uint64_t> totals;
    for (std::size_t i = 0; i < samples.rgb.size(); ++i) totals[samples.rgb[i]] += samples.weight[i];
    std::vector<std::uint32_t> colours;
    std::vector<std::uint64_t> weights;
    for (auto& [colour, weight] : totals) {
        colours.push_back(colour);
        weights.push_back(weight);
    }
    Palette palette;
    std::vector<Box> boxes(1);
    boxes[0].members.resize(colours.size());
    std::iota(boxes[0].members.begin(), boxes[0].members.end(), 0);
    boxes[0].weight = std::accumulate(weights.begin(), weights.end(), std::uint64_t{0});
    // Split the box with the widest weighted range until there are enough.
    while (static_cast<int>(boxes.size()) < palette.count) {
        int best = -1, best_channel = 0;
        double best_score = 0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].members.size() < 2) continue;
            for (int c = 0; c < 3; ++c) {
                int lo = 255, hi = 0;
                for (std::size_t m : boxes[b].members) {
                    lo = std::min(lo, channel(colours[m], c));
                    hi = std::max(hi, channel(colours[m], c));
                }
                const double score = (hi - lo) * std::sqrt(static_cast<double>(boxes[b].weight)) * (c == 1 ? 1.2 : 1.0);
                if (score > best_score) {
                    best_score = score;
                    best = static_cast<int>(b);
                    best_channel = c;
                }
            }
        }
        if (best < 0) break;
        Box& box = boxes[best];
        std::sort(box.members.begin(), box.members.end(), [&](std::size_t a, std::size_t b) {
            return channel(colours[a], best_channel) < channel(colours[b], best_channel);
        });
        // Split at the weighted median.
        std::uint64_t half = 0, running = 0;
        for (std::size_t m : box.members) half += weights[m];
        half /= 2;
        std::size_t cut = 1;
        for (std::size_t i = 0; i + 1 < box.members.size(); ++i) {
            running += weights[box.members[i]];
            cut = i + 1;
            if (running >= half) break;
        }
        Box upper;
        upper.members.assign(box.members.begin() + static_cast<std::ptrdiff_t>(cut), box.members.end());
        box.members.resize(cut);
        box.weight = 0;
        for (std::size_t m : box.members) box.weight += weights[m];
        for (std::size_t m : upper.members) upper.weight += weights[m];
        boxes.push_back(std::move(upper));
    }
    for (std::size_t b = 0; b < boxes.size(); ++b) {
        double sum[3] = {0, 0, 0}, total = 0;
        for (std::size_t m : boxes[b].members) {
            for (int c = 0; c < 3; ++c) sum[c] += channel(colours[m], c) * static_cast<double>(weights[m]);
            total += static_cast<double>(weights[m]);
        }
        for (int c = 0; c < 3; ++c) {
            palette.entries[palette.first + b][c] = static_cast<std::uint8_t>(total > 0 ? sum[c] / total + 0.5 : 0);
        }
    }
    return palette;
}

namespace {

int nearest(const Palette& palette, int r, int g, int b) {
    int best = palette.first, best_distance = 1 << 30;
    for (int i = palette.first; i < palette.first + palette.count; ++i) {
        const auto& e = palette.entries[i];
        const int dr = e[0] - r, dg = e[1] - g, db = e[2] - b;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace

std::vector<std::uint8_t> map_to_palette(const Canvas& canvas, const Palette& palette, bool transparent, bool dither) {
    const int w = canvas.width, h = canvas.height;
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h, 0);
    std::vector<float> error(static_cast<std::size_t>(w + 2) * 3 * 2, 0.0f);
    std::map<std::uint32_t, int> cache;
    for (int y = 0; y < h; ++y) {
        float* here = error.data() + (y % 2) * (w + 2) * 3;
        float* below = error.data() + ((y + 1) % 2) * (w + 2) * 3;
        std::fill(below, below + (w + 2) * 3, 0.0f);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = canvas.argb(x, y);
            if (transparent && (p >> 24) < 128) continue;
            float c[3];
            for (int k = 0; k < 3; ++k) {
                c[k] = static_cast<float>((p >> (16 - 8 * k)) & 0xFF) + (dither ? here[(x + 1) * 3 + k] : 0.0f);
                c[k] = std::clamp(c[k], 0.0f, 255.0f);
            }
            const std::uint32_t key = (static_cast<std::uint32_t>(c[0]) << 16) |
                                      (static_cast<std::uint32_t>(c[1]) << 8) | static_cast<std::uint32_t>(c[2]);
            auto found = cache.find(key);
            const int index = found != cache.end()
                                  ? found->second
                                  : (cache[key] = nearest(palette, static_cast<int>(c[0]), static_cast<int>(c[1]),
                                                          static_cast<int>(c[2])));
            indices[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(index);
            if (!dither) continue;
            for (int k = 0; k < 3; ++k) {
                // Gentle diffusion: three quarters of the error, so the
                // night sky stays calm rather than grainy.
                const float e = (c[k] - palette.entries[index][k]) * 0.75f;
                here[(x + 2) * 3 + k] += e * 7 / 16;
                below[x * 3 + k] += e * 3 / 16;
                below[(x + 1) * 3 + k] += e * 5 / 16;
                below[(x + 2) * 3 + k] += e * 1 / 16;
            }
        }
    }
    return indices;
}
