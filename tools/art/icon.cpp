#include "tools/art/icon.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "tools/art/mosquito.h"

namespace {

void rounded_square(cairo_t* cr, double x, double y, double size, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + size - radius, y + radius, radius, -pi / 2, 0);
    cairo_arc(cr, x + size - radius, y + size - radius, radius, 0, pi / 2);
    cairo_arc(cr, x + radius, y + size - radius, radius, pi / 2, pi);
    cairo_arc(cr, x + radius, y + radius, radius, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

void put_u16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put_u16(out, value & 0xFFFF);
    put_u16(out, value >> 16);
}

// A 32-bit bottom-up bitmap with straight alpha, then the 1-bit mask that
// old readers use where they ignore alpha.
std::vector<std::uint8_t> bitmap_entry(const Canvas& canvas) {
    const int size = canvas.width;
    std::vector<std::uint8_t> out;
    put_u32(out, 40);
    put_u32(out, size);
    put_u32(out, 2 * size);  // colour and mask together
    put_u16(out, 1);
    put_u16(out, 32);
    for (int i = 0; i < 6; ++i) put_u32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) put_u32(out, canvas.argb(x, y));
    }
    const int mask_row = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(mask_row, 0);
        for (int x = 0; x < size; ++x) {
            if ((canvas.argb(x, y) >> 24) < 128) row[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

cairo_status_t append(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::vector<std::uint8_t> png_entry(const Canvas& canvas) {
    std::vector<std::uint8_t> out;
    cairo_surface_write_to_png_stream(canvas.surface, append, &out);
    return out;
}

}  // namespace

void paint_icon(Canvas& canvas) {
    cairo_t* cr = canvas.cr;
    const double unit = canvas.width / 256.0;
    cairo_save(cr);
    cairo_scale(cr, unit, unit);
    // Small sizes fill the square: a margin would only waste their pixels.
    const double inset = canvas.width <= 32 ? 0 : 8;
    rounded_square(cr, inset, inset, 256 - 2 * inset, 40);
    cairo_clip_preserve(cr);
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, 256);
    cairo_pattern_add_color_stop_rgb(sky, 0, 0.03, 0.04, 0.12);
    cairo_pattern_add_color_stop_rgb(sky, 1, 0.17, 0.16, 0.33);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
    // The lamp's violet-blue light behind the insect, and its glowing tube.
    glow(cr, 176, 92, 150, rgb(0x6f8cff), 0.75);
    glow(cr, 176, 92, 60, rgb(0xd8e4ff), 0.9);
    set(cr, rgb(0xeef4ff));
    cairo_set_line_width(cr, 14);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 176, 40);
    cairo_line_to(cr, 176, 144);
    cairo_stroke(cr);
    if (canvas.width > 24) {
        Scatter scatter{256};
        for (int i = 0; i < 9; ++i) {
            set(cr, rgb(0xfff8e8), 0.5 + 0.5 * scatter.next());
            cairo_arc(cr, 24 + scatter.next() * 100, 24 + scatter.next() * 60, 2.5, 0, 2 * pi);
            cairo_fill(cr);
        }
    }
    MosquitoPose pose{118, 150, -0.9, -0.15, 1.0, 0.3, true, 2.9};
    pose.silhouette = canvas.width <= 32;  // detail turns to mud when tiny
    draw_mosquito(cr, pose);
    cairo_restore(cr);
}

bool write_ico(const std::string& path, const std::vector<int>& sizes) {
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : sizes) {
        Canvas canvas(size, size);
        paint_icon(canvas);
        cairo_surface_flush(canvas.surface);
        images.push_back(size <= 64 ? bitmap_entry(canvas) : png_entry(canvas));
    }
    std::vector<std::uint8_t> out;
    put_u16(out, 0);
    put_u16(out, 1);  // an icon, not a cursor
    put_u16(out, static_cast<unsigned>(sizes.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        out.push_back(size >= 256 ? 0 : size);  // 0 means 256
        out.push_back(size >= 256 ? 0 : size);
        out.push_back(0);
        out.push_back(0);
        put_u16(out, 1);
        put_u16(out, 32);
        put_u32(out, static_cast<std::uint32_t>(images[i].size()));
        put_u32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    return file && std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
}
