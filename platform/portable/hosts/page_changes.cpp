// Finding the changed part of a page.
#include "page_changes.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace platform {
namespace {

// Words are read as the machine stores them: lowest address, lowest bits.
static_assert(std::endian::native == std::endian::little);

// Changes of a row closer than this (in pixels) are one span, and a span
// this close to a rectangle of the row above grows it: an insect's wing
// and body are one rectangle, two insects apart are two.
constexpr int joined_gap = 16;
// Each rectangle costs the window system a call; past this many, the two
// whose union adds the fewest pixels are joined.
constexpr std::size_t most_rectangles = 8;

std::int64_t size_of(const PageArea& a) { return std::int64_t{a.width} * a.height; }

PageArea joined(const PageArea& a, const PageArea& b) {
    const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
    const int right = std::max(a.x + a.width, b.x + b.width), bottom = std::max(a.y + a.height, b.y + b.height);
    return PageArea{left, top, right - left, bottom - top};
}

}  // namespace

void PageChanges::add_span(int left, int right, int y) {
    for (Growing& growing : growing_) {
        PageArea& area = growing.area;
        if (growing.last_row >= y - 1 && left <= area.x + area.width + joined_gap && right + joined_gap >= area.x) {
            area = joined(area, PageArea{left, y, right - left, 1});
            growing.last_row = y;
            return;
        }
    }
    growing_.push_back(Growing{PageArea{left, y, right - left, 1}, y});
}

void PageChanges::close_before(int y) {
    auto still = growing_.begin();
    for (const Growing& growing : growing_) {
        if (growing.last_row < y) {
            changed_.push_back(growing.area);
        } else {
            *still++ = growing;
        }
    }
    growing_.erase(still, growing_.end());
}

void PageChanges::limit_count() {
    // Many small changes (noise, not an animation) are first halved by
    // joining neighbours, so that choosing the best pairs stays cheap.
    while (changed_.size() > 4 * most_rectangles) {
        std::size_t out = 0;
        for (std::size_t i = 0; i < changed_.size(); i += 2) {
            changed_[out++] = i + 1 < changed_.size() ? joined(changed_[i], changed_[i + 1]) : changed_[i];
        }
        changed_.resize(out);
    }
    while (changed_.size() > most_rectangles) {
        std::size_t best_a = 0, best_b = 1;
        std::int64_t best_cost = INT64_MAX;
        for (std::size_t a = 0; a < changed_.size(); ++a) {
            for (std::size_t b = a + 1; b < changed_.size(); ++b) {
                const std::int64_t cost =
                    size_of(joined(changed_[a], changed_[b])) - size_of(changed_[a]) - size_of(changed_[b]);
                if (cost < best_cost) {
                    best_cost = cost;
                    best_a = a;
                    best_b = b;
                }
            }
        }
        changed_[best_a] = joined(changed_[best_a], changed_[best_b]);
        changed_.erase(changed_.begin() + static_cast<std::ptrdiff_t>(best_b));
    }
}

bool PageChanges::compare(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                          const PALETTEENTRY* palette) {
    changed_.clear();
    growing_.clear();
    const int bytes = bits <= 8 ? 1 : bits / 8;
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes);
    const bool grey = palette == nullptr;
    const bool all = !kept_ || !trusted_ || width != width_ || height != height_ || bits != bits_ ||
                     (bits == 8 && (grey != grey_ || (!grey && std::memcmp(palette, palette_, sizeof palette_) != 0)));
    if (all) {
        page_.resize(row * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y) {
            std::memcpy(page_.data() + row * static_cast<std::size_t>(y), pixels + std::ptrdiff_t{pitch} * y, row);
        }
        width_ = width;
        height_ = height;
        bits_ = bits;
        bytes_ = bytes;
        grey_ = grey;
        if (bits == 8 && !grey) std::memcpy(palette_, palette, sizeof palette_);
        kept_ = trusted_ = true;
        return true;
    }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* kept = page_.data() + row * static_cast<std::size_t>(y);
        const std::uint8_t* now = pixels + std::ptrdiff_t{pitch} * y;
        // The row's changes as spans of pixels, near ones joined, found
        // eight bytes at a time (a library's memcmp need not be fast: one
        // system's is a byte loop): the first and last changed byte of a
        // word are its lowest and highest set bits' bytes.
        int left = -1, right = -1;
        const auto note = [&](std::size_t first_byte, std::size_t last_byte) {
            const int first = static_cast<int>(first_byte) / bytes, last = static_cast<int>(last_byte) / bytes;
            if (left >= 0 && first > right + joined_gap) {
                add_span(left, right, y);
                left = -1;
            }
            if (left < 0) left = first;
            right = last + 1;
        };
        std::size_t i = 0;
        for (; i + 8 <= row; i += 8) {
            std::uint64_t was, is;
            std::memcpy(&was, kept + i, 8);
            std::memcpy(&is, now + i, 8);
            if (const std::uint64_t differ = was ^ is; differ != 0) {
                note(i + static_cast<std::size_t>(std::countr_zero(differ)) / 8,
                     i + 7 - static_cast<std::size_t>(std::countl_zero(differ)) / 8);
            }
        }
        for (; i < row; ++i) {
            if (kept[i] != now[i]) note(i, i);
        }
        if (left >= 0) {
            add_span(left, right, y);
            std::memcpy(kept, now, row);
        }
        close_before(y);
    }
    close_before(height);
    limit_count();
    return false;
}

}  // namespace platform
