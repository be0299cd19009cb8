// A cairo canvas the painter draws on, and small drawing helpers.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>

// The pi every picture was painted with: keep it so they stay the same.
constexpr double pi = 3.14159265358979;

struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // The pixel's colour and coverage: 0xAARRGGBB, not premultiplied.
    std::uint32_t argb(int x, int y) const;

    int width;
    int height;
    cairo_surface_t* surface;
    cairo_t* cr;
};

struct Colour {
    double r, g, b;
};

inline Colour rgb(int hex) {
    return Colour{((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}
inline void set(cairo_t* cr, Colour c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }
inline Colour mix(Colour a, Colour b, double t) {
    return Colour{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Adds to the path an ellipse of radii rx and ry about (x, y).
void ellipse(cairo_t* cr, double x, double y, double rx, double ry);

// A radial glow: `colour` at the centre fading to nothing at `radius`.
void glow(cairo_t* cr, double x, double y, double radius, Colour colour, double alpha);

// A small deterministic generator for scattering stars, leaves and sparks.
struct Scatter {
    std::uint32_t state;
    double next() {  // 0 to 1
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / 16777216.0;
    }
};
