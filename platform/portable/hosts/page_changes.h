// What changed between the page a window last showed and the next one: the
// page's rows compared with a kept copy of the last, and the changes
// gathered into a few rectangles. From one frame to the next very little
// of the page changes, and a window need be given only that.
#pragma once

#include <cstdint>
#include <vector>

#include "../../win32.h"

namespace platform {

struct PageArea {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PageArea&) const = default;
};

class PageChanges {
public:
    // Compares the page (`bits` per pixel, 8 through `palette`, which may be
    // null for grey) with the one kept, and keeps it. True when all of it is
    // to be drawn: the first page, another size, depth or palette, or after
    // `forget`. Otherwise `changed` holds rectangles that cover every
    // changed pixel, none when the page is the same.
    bool compare(const std::uint8_t* pixels, int pitch, int width, int height, int bits, const PALETTEENTRY* palette);
    const std::vector<PageArea>& changed() const { return changed_; }
    // The next page is all to be drawn: what it is drawn into was lost.
    // The page itself is kept, to be drawn again whole.
    void forget() { trusted_ = false; }

    // The page as last compared, its rows one after another.
    const std::uint8_t* page() const { return page_.data(); }
    int width() const { return width_; }
    int height() const { return height_; }
    int bits() const { return bits_; }
    int pitch() const { return width_ * bytes_; }
    const PALETTEENTRY* palette() const { return grey_ ? nullptr : palette_; }
    bool kept() const { return kept_; }

private:
    void add_span(int left, int right, int y);
    void close_before(int y);
    void limit_count();

    bool kept_ = false;
    bool trusted_ = false;  // the window shows the kept page
    std::vector<std::uint8_t> page_;
    int width_ = 0, height_ = 0, bits_ = 0, bytes_ = 1;
    bool grey_ = false;
    PALETTEENTRY palette_[256]{};
    struct Growing {
        PageArea area;
        int last_row;
    };
    std::vector<Growing> growing_;  // rectangles the rows still extend
    std::vector<PageArea> changed_;
};

}  // namespace platform
