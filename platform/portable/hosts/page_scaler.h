// Turns a shown page into 32-bit pixels of a window: through the palette,
// scaled to the window by nearest neighbour with its shape kept, black bars
// where the window's shape differs. The palette's table is rebuilt only
// when the palette changes, the scaling map only when a size changes, and
// the depth is chosen once per page.
#pragma once

#include <cstdint>
#include <vector>

#include "../../win32.h"

namespace platform {

// Where the 8-bit channels sit in a 32-bit pixel, and the bits always set.
struct PixelLayout {
    int red_shift = 16, green_shift = 8, blue_shift = 0;
    std::uint32_t opaque = 0xFF000000u;
    bool operator==(const PixelLayout&) const = default;
};

struct PageArea {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PageArea&) const = default;
};

std::uint32_t pack_colour(const PixelLayout& layout, int red, int green, int blue);

// The largest area of the page's shape that fits, centred.
PageArea fit_page(int page_width, int page_height, int area_width, int area_height);

class PageScaler {
public:
    // `pixels` at `bits` per pixel (8 through `palette`, which may be null
    // for grey; 16 as 5-6-5; 24 and 32 as blue, green, red), into `out`,
    // `out_width` x `out_height` 32-bit pixels `out_pitch` bytes apart.
    void draw(const std::uint8_t* pixels, int pitch, int width, int height, int bits, const PALETTEENTRY* palette,
              std::uint8_t* out, int out_pitch, int out_width, int out_height, const PixelLayout& layout);

private:
    void rebuild_table(const PALETTEENTRY* palette);
    void rebuild_columns(int width, int area_width);

    PixelLayout layout_;
    bool table_valid_ = false;
    bool grey_ = false;
    PALETTEENTRY palette_[256]{};
    std::uint32_t table_[256]{};
    int columns_for_ = -1, columns_into_ = -1;
    std::vector<int> columns_;        // the page column each window column shows
    std::vector<std::uint32_t> row_;  // one converted row of a deep page
};

}  // namespace platform
