// Turns a shown page into 32-bit pixels of a window: through the palette,
// scaled to the window by nearest neighbour with its shape kept, black bars
// where the window's shape differs. The palette's table is rebuilt only
// when the palette changes, the scaling map only when a size changes, and
// the depth is chosen once per page. Given the same window's pixels from
// one page to the next, it draws only the part that shows what changed.
#pragma once

#include <cstdint>
#include <vector>

#include "../../win32.h"
#include "page_changes.h"

namespace platform {

// Where the 8-bit channels sit in a 32-bit pixel, and the bits always set.
struct PixelLayout {
    int red_shift = 16, green_shift = 8, blue_shift = 0;
    std::uint32_t opaque = 0xFF000000u;
    bool operator==(const PixelLayout&) const = default;
};

std::uint32_t pack_colour(const PixelLayout& layout, int red, int green, int blue);

// The largest area of the page's shape that fits, centred.
PageArea fit_page(int page_width, int page_height, int area_width, int area_height);

// The window pixels that show `part` of a page drawn into `area` by the
// nearest rule (window column x shows page column x * width / area.width):
// every one of them and no other; empty when the scale skips all of it.
PageArea window_part(const PageArea& part, int width, int height, const PageArea& area);

// What an update drew into a window's pixels: all of them, or only these
// rectangles (none when the page did not change).
struct WindowChanges {
    bool all = false;
    std::vector<PageArea> areas;
    bool none() const { return !all && areas.empty(); }
};

class PageScaler {
public:
    // `pixels` at `bits` per pixel (8 through `palette`, which may be null
    // for grey; 16 as 5-6-5; 24 and 32 as blue, green, red), into `out`,
    // `out_width` x `out_height` 32-bit pixels `out_pitch` bytes apart.
    void draw(const std::uint8_t* pixels, int pitch, int width, int height, int bits, const PALETTEENTRY* palette,
              std::uint8_t* out, int out_pitch, int out_width, int out_height, const PixelLayout& layout);

    // As `draw`, into the same window pixels as the last update, drawing
    // only what shows the page's changes since then; all of it (bars too)
    // the first time, for another size, layout, buffer, page shape or
    // palette, and after `redraw_all`.
    WindowChanges update(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                         const PALETTEENTRY* palette, std::uint8_t* out, int out_pitch, int out_width, int out_height,
                         const PixelLayout& layout);
    // The window's pixels were lost: the next update draws them all.
    void redraw_all() { changes_.forget(); }
    // Draws the last updated page again, whole, at any size. False when
    // there is none.
    bool draw_kept(std::uint8_t* out, int out_pitch, int out_width, int out_height, const PixelLayout& layout);

private:
    void rebuild_table(const PALETTEENTRY* palette);
    void rebuild_columns(int width, int area_width);
    // The window pixels of `part` (in window pixels, inside `area`).
    void draw_rows(const std::uint8_t* pixels, int pitch, int width, int height, int bits, std::uint8_t* out,
                   int out_pitch, const PageArea& area, const PageArea& part);

    PixelLayout layout_;
    bool table_valid_ = false;
    bool grey_ = false;
    PALETTEENTRY palette_[256]{};
    std::uint32_t table_[256]{};
    int columns_for_ = -1, columns_into_ = -1;
    std::vector<int> columns_;        // the page column each window column shows
    std::vector<std::uint32_t> row_;  // one converted row of a deep page
    PageChanges changes_;
    const std::uint8_t* updated_out_ = nullptr;  // the window pixels the last update drew into
    int updated_pitch_ = 0, updated_width_ = 0, updated_height_ = 0;
};

}  // namespace platform
