// The night scene behind everything, the insect lamp hanging in the middle
// and the porch railing in front.
#include "tools/art/scene.h"

#include <cmath>
#include <initializer_list>

namespace {

struct Stop {
    double offset;
    Colour colour;
};

// A box filled with a gradient through `stops`: from its top down or, when
// `across`, from its left side to its right.
void gradient_box(cairo_t* cr, double x, double y, double w, double h, bool across, std::initializer_list<Stop> stops) {
    cairo_pattern_t* pattern =
        across ? cairo_pattern_create_linear(x, 0, x + w, 0) : cairo_pattern_create_linear(0, y, 0, y + h);
    for (const Stop& stop : stops) {
        cairo_pattern_add_color_stop_rgb(pattern, stop.offset, stop.colour.r, stop.colour.g, stop.colour.b);
    }
    cairo_set_source(cr, pattern);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
}

// A rounded blob of foliage made of overlapping circles.
void foliage(cairo_t* cr, double x, double y, double radius, Colour colour, Scatter& scatter, int lumps) {
    set(cr, colour);
    for (int i = 0; i < lumps; ++i) {
        const double a = scatter.next() * 2 * pi;
        const double d = scatter.next() * radius * 0.7;
        cairo_arc(cr, x + std::cos(a) * d, y + std::sin(a) * d * 0.7, radius * (0.35 + 0.3 * scatter.next()), 0,
                  2 * pi);
        cairo_fill(cr);
    }
}

void vertical_gradient(cairo_t* cr, double x, double y, double w, double h, Colour top, Colour bottom) {
    gradient_box(cr, x, y, w, h, false, {{0, top}, {1, bottom}});
}

void tree(cairo_t* cr, double x, double ground, double height, Scatter& scatter) {
    set(cr, rgb(0x141a1c));
    cairo_move_to(cr, x - 7, ground);
    cairo_curve_to(cr, x - 4, ground - height * 0.4, x - 5, ground - height * 0.6, x - 2, ground - height * 0.75);
    cairo_line_to(cr, x + 3, ground - height * 0.75);
    cairo_curve_to(cr, x + 5, ground - height * 0.5, x + 5, ground - height * 0.3, x + 9, ground);
    cairo_close_path(cr);
    cairo_fill(cr);
    foliage(cr, x, ground - height * 0.8, height * 0.35, rgb(0x101e1c), scatter, 26);
    foliage(cr, x - height * 0.08, ground - height * 0.88, height * 0.22, rgb(0x16282a), scatter, 14);
    // Moonlight catching the leaves on the moon's side.
    foliage(cr, x - height * 0.18, ground - height * 0.95, height * 0.1, rgb(0x243c44), scatter, 8);
}

}  // namespace

void paint_background(Canvas& canvas) {
    cairo_t* cr = canvas.cr;
    Scatter scatter{20261207};
    // Sky: deep navy overhead, a violet dusk glow low down.
    vertical_gradient(cr, 0, 0, 640, 320, rgb(0x070a1e), rgb(0x2c2a55));
    // Stars, a few of them bright.
    for (int i = 0; i < 170; ++i) {
        const double x = scatter.next() * 640, y = scatter.next() * 280;
        const double bright = scatter.next();
        set(cr, mix(rgb(0x8090c0), rgb(0xfff8e8), bright), 0.5 + bright * 0.5);
        cairo_arc(cr, x, y, bright > 0.93 ? 1.4 : 0.7, 0, 2 * pi);
        cairo_fill(cr);
    }
    // The moon with its halo, upper left.
    glow(cr, 185, 70, 95, rgb(0x8a96c8), 0.35);
    set(cr, rgb(0xf2ecd2));
    cairo_arc(cr, 185, 70, 27, 0, 2 * pi);
    cairo_fill(cr);
    set(cr, rgb(0xd8d0b4));
    cairo_arc(cr, 177, 64, 6, 0, 2 * pi);
    cairo_arc(cr, 194, 80, 4, 0, 2 * pi);
    cairo_arc(cr, 189, 58, 3, 0, 2 * pi);
    cairo_fill(cr);

    // Far hills.
    set(cr, rgb(0x1a2038));
    cairo_move_to(cr, 0, 300);
    for (int x = 0; x <= 640; x += 20) cairo_line_to(cr, x, 290 - 22 * std::sin(x / 95.0) - 10 * std::sin(x / 31.0));
    cairo_line_to(cr, 640, 480);
    cairo_line_to(cr, 0, 480);
    cairo_fill(cr);
    // The tree line.
    for (int i = 0; i < 40; ++i) {
        const double x = i * 17 + scatter.next() * 10;
        foliage(cr, x, 305 + scatter.next() * 8, 18 + scatter.next() * 12, rgb(0x121a26), scatter, 6);
    }

    // Lawn: dark green, lighter in the moonlight towards the back.
    vertical_gradient(cr, 0, 312, 640, 168, rgb(0x1d3328), rgb(0x0c1610));
    for (int i = 0; i < 900; ++i) {  // grass blades
        const double x = scatter.next() * 640, y = 315 + scatter.next() * 165;
        set(cr, mix(rgb(0x163020), rgb(0x2e5038), scatter.next()));
        cairo_set_line_width(cr, 1.0);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + (scatter.next() - 0.5) * 4, y - 3 - scatter.next() * 5);
        cairo_stroke(cr);
    }
    // A garden path of stepping stones curving away.
    for (int i = 0; i < 7; ++i) {
        const double t = i / 6.0;
        const double x = 150 + 60 * std::sin(t * 2.2), y = 470 - t * 140;
        ellipse(cr, x, y, 26 - 14 * t, 8 - 4 * t);
        set(cr, mix(rgb(0x4a4e58), rgb(0x30343e), t));
        cairo_fill(cr);
    }
    tree(cr, 40, 330, 260, scatter);
    tree(cr, 205, 318, 120, scatter);

    // The house at the right: wall, roof edge and a warm lit window.
    set(cr, rgb(0x2a2530));
    cairo_rectangle(cr, 480, 170, 160, 180);
    cairo_fill(cr);
    set(cr, rgb(0x1a1620));
    cairo_move_to(cr, 465, 175);
    cairo_line_to(cr, 560, 120);
    cairo_line_to(cr, 655, 175);
    cairo_close_path(cr);
    cairo_fill(cr);
    for (int y = 180; y < 350; y += 9) {  // clapboards
        set(cr, rgb(0x231f29));
        cairo_rectangle(cr, 480, y, 160, 1.5);
        cairo_fill(cr);
    }
    glow(cr, 548, 248, 120, rgb(0xffb050), 0.35);
    set(cr, rgb(0xffd27a));
    cairo_rectangle(cr, 515, 215, 66, 62);
    cairo_fill(cr);
    vertical_gradient(cr, 519, 219, 58, 54, rgb(0xffe9a8), rgb(0xf0a040));
    set(cr, rgb(0x3a2a22));
    cairo_rectangle(cr, 545, 215, 5, 62);
    cairo_rectangle(cr, 515, 244, 66, 4);
    cairo_fill(cr);
    // Light falling from the window onto the lawn.
    cairo_pattern_t* cone = cairo_pattern_create_linear(0, 350, 0, 440);
    cairo_pattern_add_color_stop_rgba(cone, 0, 1.0, 0.69, 0.38, 0.2);
    cairo_pattern_add_color_stop_rgba(cone, 1, 1.0, 0.69, 0.38, 0.0);
    cairo_set_source(cr, cone);
    cairo_move_to(cr, 515, 350);
    cairo_line_to(cr, 581, 350);
    cairo_line_to(cr, 625, 440);
    cairo_line_to(cr, 465, 440);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(cone);

    // Bushes and flowers along the house and the path.
    for (int i = 0; i < 6; ++i) foliage(cr, 470 + i * 34, 352, 24, rgb(0x183422), scatter, 9);
    foliage(cr, 90, 372, 34, rgb(0x15301f), scatter, 14);
    const Colour petals[4] = {rgb(0xd86aa0), rgb(0xb48cff), rgb(0xf0e6f0), rgb(0xf09a5a)};
    for (int i = 0; i < 70; ++i) {
        const bool by_house = i % 2 == 0;
        const double x = by_house ? 455 + scatter.next() * 185 : 50 + scatter.next() * 90;
        const double y = by_house ? 338 + scatter.next() * 24 : 352 + scatter.next() * 35;
        set(cr, petals[i % 4]);
        cairo_arc(cr, x, y, 1.6, 0, 2 * pi);
        cairo_fill(cr);
    }
    // A garden lantern on a post, lower left.
    set(cr, rgb(0x1c1a1e));
    cairo_rectangle(cr, 104, 355, 5, 60);
    cairo_fill(cr);
    glow(cr, 106, 348, 48, rgb(0xffb860), 0.45);
    set(cr, rgb(0xffe0a0));
    cairo_rectangle(cr, 99, 340, 15, 16);
    cairo_fill(cr);
    set(cr, rgb(0x1c1a1e));
    cairo_rectangle(cr, 97, 336, 19, 4);
    cairo_fill(cr);
    // Fireflies.
    for (int i = 0; i < 14; ++i) {
        const double x = 20 + scatter.next() * 600, y = 300 + scatter.next() * 150;
        glow(cr, x, y, 5, rgb(0xd8ff70), 0.8);
    }
    // The insect lamp lights the air around it.
    glow(cr, 315, 95, 150, rgb(0x6a58ff), 0.30);
    glow(cr, 315, 95, 70, rgb(0x8c7cff), 0.25);
    // The beam the lamp hangs from, across the top.
    vertical_gradient(cr, 0, 0, 640, 12, rgb(0x2e2630), rgb(0x18141a));
}

void paint_lamp(Canvas& canvas, double left, double top) {
    cairo_t* cr = canvas.cr;
    const double cx = left + 55.5;  // the lamp is 111 x 160
    cairo_save(cr);
    cairo_rectangle(cr, left, top, 111, 160);
    cairo_clip(cr);
    // Chain from the beam.
    set(cr, rgb(0x8a8a94));
    cairo_set_line_width(cr, 1.6);
    for (int i = 0; i < 5; ++i) {
        const double y = top + 2 + i * 5.5;
        ellipse(cr, cx, y + 2.5, i % 2 ? 1.2 : 2.4, 2.8);
        cairo_stroke(cr);
    }
    // Roof: a dark metal cap with a hook ring.
    set(cr, rgb(0x2c2e36));
    cairo_move_to(cr, cx - 44, top + 44);
    cairo_curve_to(cr, cx - 30, top + 30, cx + 30, top + 30, cx + 44, top + 44);
    cairo_line_to(cr, cx + 48, top + 50);
    cairo_line_to(cr, cx - 48, top + 50);
    cairo_close_path(cr);
    cairo_fill(cr);
    set(cr, rgb(0x5c606c));
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, cx - 40, top + 43);
    cairo_curve_to(cr, cx - 26, top + 33, cx + 10, top + 32, cx + 24, top + 36);
    cairo_stroke(cr);
    // Body: the glowing inside.
    const double body_top = top + 50, body_bottom = top + 140;
    cairo_pattern_t* inside = cairo_pattern_create_linear(cx - 42, 0, cx + 42, 0);
    cairo_pattern_add_color_stop_rgb(inside, 0, 0.20, 0.14, 0.50);
    cairo_pattern_add_color_stop_rgb(inside, 0.5, 0.45, 0.36, 0.95);
    cairo_pattern_add_color_stop_rgb(inside, 1, 0.20, 0.14, 0.50);
    cairo_set_source(cr, inside);
    cairo_rectangle(cr, cx - 42, body_top, 84, body_bottom - body_top);
    cairo_fill(cr);
    cairo_pattern_destroy(inside);
    // Three blue-violet tubes with white-hot cores.
    for (int i = -1; i <= 1; ++i) {
        const double tx = cx + i * 22;
        glow(cr, tx, (body_top + body_bottom) / 2, 30, rgb(0x9a8cff), 0.6);
        set(cr, rgb(0x7c6cff));
        cairo_rectangle(cr, tx - 5, body_top + 6, 10, body_bottom - body_top - 12);
        cairo_fill(cr);
        set(cr, rgb(0xc8c0ff));
        cairo_rectangle(cr, tx - 2.5, body_top + 8, 5, body_bottom - body_top - 16);
        cairo_fill(cr);
        set(cr, rgb(0xf4f2ff));
        cairo_rectangle(cr, tx - 1, body_top + 10, 2, body_bottom - body_top - 20);
        cairo_fill(cr);
        // Tube caps.
        set(cr, rgb(0x9aa0ac));
        cairo_rectangle(cr, tx - 5, body_top + 3, 10, 4);
        cairo_rectangle(cr, tx - 5, body_bottom - 7, 10, 4);
        cairo_fill(cr);
    }
    // The metal grid in front: fine vertical wires and a few rings.
    set(cr, rgb(0x70747e));
    cairo_set_line_width(cr, 1.0);
    for (double x = cx - 40; x <= cx + 40; x += 5) {
        cairo_move_to(cr, x + 0.5, body_top);
        cairo_line_to(cr, x + 0.5, body_bottom);
    }
    cairo_stroke(cr);
    set(cr, rgb(0xa8acb6));
    cairo_set_line_width(cr, 2.0);
    for (double y = body_top + 4; y < body_bottom; y += 21) {
        cairo_move_to(cr, cx - 43, y);
        cairo_line_to(cr, cx + 43, y);
    }
    cairo_stroke(cr);
    // Side frame posts.
    set(cr, rgb(0x3a3c46));
    cairo_rectangle(cr, cx - 46, body_top, 5, body_bottom - body_top);
    cairo_rectangle(cr, cx + 41, body_top, 5, body_bottom - body_top);
    cairo_fill(cr);
    // Bottom tray, catching the unlucky.
    set(cr, rgb(0x2c2e36));
    cairo_move_to(cr, cx - 48, body_bottom);
    cairo_line_to(cr, cx + 48, body_bottom);
    cairo_line_to(cr, cx + 38, body_bottom + 14);
    cairo_line_to(cr, cx - 38, body_bottom + 14);
    cairo_close_path(cr);
    cairo_fill(cr);
    set(cr, rgb(0x6c5cd0));
    cairo_rectangle(cr, cx - 46, body_bottom, 92, 2);
    cairo_fill(cr);
    set(cr, rgb(0x5c606c));
    cairo_rectangle(cr, cx - 36, body_bottom + 12, 72, 2);
    cairo_fill(cr);
    cairo_restore(cr);
}

void paint_rail(Canvas& canvas, double left, double top) {
    cairo_t* cr = canvas.cr;  // the rail is 237 x 140
    cairo_save(cr);
    cairo_rectangle(cr, left, top, 237, 140);
    cairo_clip(cr);
    const Colour wood_dark = rgb(0x3a2418);
    const Colour wood = rgb(0x5e3c26);
    const Colour wood_light = rgb(0x8a6244);
    const Colour moonlit = rgb(0x9a9ab0);
    // Balusters.
    for (int i = 0; i < 9; ++i) {
        const double x = left + 30 + i * 22;
        gradient_box(cr, x, top + 22, 9, 100, true, {{0, wood_light}, {1, wood_dark}});
    }
    // Posts at both ends, with caps.
    for (double x : {left + 2.0, left + 212.0}) {
        gradient_box(cr, x, top + 8, 23, 132, true, {{0, wood_light}, {0.6, wood}, {1, wood_dark}});
        set(cr, wood_dark);
        cairo_rectangle(cr, x - 3, top + 2, 29, 8);
        cairo_fill(cr);
        set(cr, moonlit);
        cairo_rectangle(cr, x - 3, top + 2, 29, 2);
        cairo_fill(cr);
        set(cr, wood_dark);  // carved rings
        cairo_rectangle(cr, x, top + 30, 23, 2);
        cairo_rectangle(cr, x, top + 118, 23, 2);
        cairo_fill(cr);
    }
    // Hand rail on top and the bottom rail.
    vertical_gradient(cr, left + 2, top + 12, 233, 12, wood_light, wood_dark);
    set(cr, moonlit);
    cairo_rectangle(cr, left + 2, top + 12, 233, 2);
    cairo_fill(cr);
    vertical_gradient(cr, left + 2, top + 118, 233, 9, wood, wood_dark);
    // A pot of flowers standing on the porch floor in front.
    set(cr, rgb(0x7a3e2a));
    cairo_move_to(cr, left + 150, top + 118);
    cairo_line_to(cr, left + 186, top + 118);
    cairo_line_to(cr, left + 180, top + 140);
    cairo_line_to(cr, left + 156, top + 140);
    cairo_close_path(cr);
    cairo_fill(cr);
    set(cr, rgb(0x9a5a3c));
    cairo_rectangle(cr, left + 148, top + 114, 40, 6);
    cairo_fill(cr);
    Scatter scatter{77};
    for (int i = 0; i < 14; ++i) {
        const double x = left + 152 + scatter.next() * 32, y = top + 96 + scatter.next() * 18;
        set(cr, rgb(0x1e4a2a));
        cairo_arc(cr, x, y, 4, 0, 2 * pi);
        cairo_fill(cr);
    }
    for (int i = 0; i < 6; ++i) {
        const double x = left + 155 + scatter.next() * 26, y = top + 94 + scatter.next() * 12;
        set(cr, i % 2 ? rgb(0xe86a8a) : rgb(0xf4d06a));
        cairo_arc(cr, x, y, 2.6, 0, 2 * pi);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}
