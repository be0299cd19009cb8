// Scaling a page into a window's pixels.
#include "page_scaler.h"

#include <algorithm>
#include <cstring>

namespace platform {

PageArea fit_page(int page_width, int page_height, int area_width, int area_height) {
    if (page_width <= 0 || page_height <= 0 || area_width <= 0 || area_height <= 0) return {};
    PageArea area{0, 0, area_width, area_height};
    // Compare the shapes in 64 bits: a 4K window times a page side does not fit in 32.
    const std::int64_t wide = std::int64_t{area_width} * page_height, tall = std::int64_t{area_height} * page_width;
    if (wide > tall) {
        area.width = static_cast<int>(std::int64_t{area_height} * page_width / page_height);
    } else if (wide < tall) {
        area.height = static_cast<int>(std::int64_t{area_width} * page_height / page_width);
    }
    area.width = std::max(area.width, 1);
    area.height = std::max(area.height, 1);
    area.x = (area_width - area.width) / 2;
    area.y = (area_height - area.height) / 2;
    return area;
}

std::uint32_t pack_colour(const PixelLayout& layout, int red, int green, int blue) {
    return layout.opaque | (static_cast<std::uint32_t>(red) << layout.red_shift) |
           (static_cast<std::uint32_t>(green) << layout.green_shift) |
           (static_cast<std::uint32_t>(blue) << layout.blue_shift);
}

void PageScaler::rebuild_table(const PALETTEENTRY* palette) {
    const bool grey = palette == nullptr;
    if (table_valid_ && grey == grey_ && (grey || std::memcmp(palette, palette_, sizeof palette_) == 0)) return;
    for (int i = 0; i < 256; ++i) {
        table_[i] = grey ? pack_colour(layout_, i, i, i)
                         : pack_colour(layout_, palette[i].peRed, palette[i].peGreen, palette[i].peBlue);
    }
    if (!grey) std::memcpy(palette_, palette, sizeof palette_);
    grey_ = grey;
    table_valid_ = true;
}

void PageScaler::rebuild_columns(int width, int area_width) {
    if (width == columns_for_ && area_width == columns_into_) return;
    columns_.resize(static_cast<std::size_t>(area_width));
    for (int x = 0; x < area_width; ++x) {
        columns_[static_cast<std::size_t>(x)] = static_cast<int>(std::int64_t{x} * width / area_width);
    }
    columns_for_ = width;
    columns_into_ = area_width;
}

namespace {

// A deep page row into 32-bit pixels: one loop per depth, chosen once per page.
void convert_16(const std::uint8_t* in, std::uint32_t* out, int width, const PixelLayout& layout) {
    for (int x = 0; x < width; ++x) {
        const unsigned v = in[2 * x] | (in[2 * x + 1] << 8);
        out[x] = pack_colour(layout, static_cast<int>(((v >> 11) & 31) << 3), static_cast<int>(((v >> 5) & 63) << 2),
                             static_cast<int>((v & 31) << 3));
    }
}

template <int Bytes>
void convert_rgb(const std::uint8_t* in, std::uint32_t* out, int width, const PixelLayout& layout) {
    for (int x = 0; x < width; ++x) out[x] = pack_colour(layout, in[Bytes * x + 2], in[Bytes * x + 1], in[Bytes * x]);
}

}  // namespace

void PageScaler::draw(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette, std::uint8_t* out, int out_pitch, int out_width, int out_height,
                      const PixelLayout& layout) {
    if (out_width <= 0 || out_height <= 0) return;
    if (!(layout == layout_)) {
        layout_ = layout;
        table_valid_ = false;
    }
    const PageArea area = fit_page(width, height, out_width, out_height);
    // The bars are drawn every time: a window's pixels need not survive a resize.
    for (int y = 0; y < out_height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(out + std::ptrdiff_t{y} * out_pitch);
        if (y < area.y || y >= area.y + area.height) {
            std::fill(row, row + out_width, 0u);
        } else {
            std::fill(row, row + area.x, 0u);
            std::fill(row + area.x + area.width, row + out_width, 0u);
        }
    }
    if (area.width == 0) return;
    if (bits == 8) rebuild_table(palette);
    draw_rows(pixels, pitch, width, height, bits, out, out_pitch, area, area);
}

void PageScaler::draw_rows(const std::uint8_t* pixels, int pitch, int width, int height, int bits, std::uint8_t* out,
                           int out_pitch, const PageArea& area, const PageArea& part) {
    rebuild_columns(width, area.width);
    row_.resize(static_cast<std::size_t>(width));
    const int* columns = columns_.data() + (part.x - area.x);
    const int first = columns[0], count = columns[part.width - 1] - first + 1;
    const int bytes = bits / 8;
    const std::uint32_t* table = table_;
    std::uint32_t* converted = row_.data();
    const auto convert = bits == 8 ? nullptr : bits == 16 ? convert_16 : bits == 24 ? convert_rgb<3> : convert_rgb<4>;

    // Each page row is converted once; the window rows that repeat it are copies.
    int last_source = -1;
    std::uint32_t* last_row = nullptr;
    for (int y = part.y; y < part.y + part.height; ++y) {
        std::uint32_t* row = reinterpret_cast<std::uint32_t*>(out + std::ptrdiff_t{y} * out_pitch) + part.x;
        const int source = static_cast<int>(std::int64_t{y - area.y} * height / area.height);
        if (source == last_source) {
            std::memcpy(row, last_row, static_cast<std::size_t>(part.width) * 4);
            continue;
        }
        const std::uint8_t* in = pixels + std::ptrdiff_t{source} * pitch;
        if (convert == nullptr) {
            for (int x = 0; x < part.width; ++x) row[x] = table[in[columns[x]]];
        } else {
            convert(in + std::ptrdiff_t{first} * bytes, converted + first, count, layout_);
            for (int x = 0; x < part.width; ++x) row[x] = converted[columns[x]];
        }
        last_source = source;
        last_row = row;
    }
}

PageArea window_part(const PageArea& part, int width, int height, const PageArea& area) {
    // The first window pixel whose source is at or past page pixel p.
    const auto first = [](int p, int page, int window) {
        return static_cast<int>((std::int64_t{p} * window + page - 1) / page);
    };
    const int left = first(part.x, width, area.width), right = first(part.x + part.width, width, area.width);
    const int top = first(part.y, height, area.height), bottom = first(part.y + part.height, height, area.height);
    if (right <= left || bottom <= top) return {};
    return PageArea{area.x + left, area.y + top, right - left, bottom - top};
}

WindowChanges PageScaler::update(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                                 const PALETTEENTRY* palette, std::uint8_t* out, int out_pitch, int out_width,
                                 int out_height, const PixelLayout& layout) {
    WindowChanges result;
    const bool whole_page = changes_.compare(pixels, pitch, width, height, bits, palette);
    if (out_width <= 0 || out_height <= 0) {
        changes_.forget();
        return result;
    }
    const bool same_window = out == updated_out_ && out_pitch == updated_pitch_ && out_width == updated_width_ &&
                             out_height == updated_height_ && layout == layout_;
    if (whole_page || !same_window) {
        draw(pixels, pitch, width, height, bits, palette, out, out_pitch, out_width, out_height, layout);
        updated_out_ = out;
        updated_pitch_ = out_pitch;
        updated_width_ = out_width;
        updated_height_ = out_height;
        result.all = true;
        return result;
    }
    const PageArea area = fit_page(width, height, out_width, out_height);
    if (bits == 8) rebuild_table(palette);
    for (const PageArea& part : changes_.changed()) {
        const PageArea shown = window_part(part, width, height, area);
        if (shown.width == 0) continue;
        draw_rows(pixels, pitch, width, height, bits, out, out_pitch, area, shown);
        result.areas.push_back(shown);
    }
    return result;
}

bool PageScaler::draw_kept(std::uint8_t* out, int out_pitch, int out_width, int out_height, const PixelLayout& layout) {
    if (!changes_.kept()) return false;
    draw(changes_.page(), changes_.pitch(), changes_.width(), changes_.height(), changes_.bits(), changes_.palette(),
         out, out_pitch, out_width, out_height, layout);
    return true;
}

}  // namespace platform
