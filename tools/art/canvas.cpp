#include "tools/art/canvas.h"

#include <algorithm>

Canvas::Canvas(int w, int h)
    : width(w), height(h), surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h)), cr(cairo_create(surface)) {
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
}

Canvas::~Canvas() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

std::uint32_t Canvas::argb(int x, int y) const {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::uint32_t p = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    const std::uint32_t a = p >> 24;
    if (a == 0) return 0;
    auto unpremultiply = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
    return (a << 24) | (unpremultiply((p >> 16) & 0xFF) << 16) | (unpremultiply((p >> 8) & 0xFF) << 8) |
           unpremultiply(p & 0xFF);
}

void ellipse(cairo_t* cr, double x, double y, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
}

void glow(cairo_t* cr, double x, double y, double radius, Colour colour, double alpha) {
    cairo_pattern_t* pattern = cairo_pattern_create_radial(x, y, 0, x, y, radius);
    cairo_pattern_add_color_stop_rgba(pattern, 0, colour.r, colour.g, colour.b, alpha);
    cairo_pattern_add_color_stop_rgba(pattern, 0.4, colour.r, colour.g, colour.b, alpha * 0.45);
    cairo_pattern_add_color_stop_rgba(pattern, 1, colour.r, colour.g, colour.b, 0);
    cairo_set_source(cr, pattern);
    cairo_arc(cr, x, y, radius, 0, 6.283185307);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}
