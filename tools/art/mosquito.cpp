// The mosquito in all its poses: flying with a wing beat, turning round,
// caught in the lamp's flash, and falling charred.
#include "tools/art/mosquito.h"

#include <cmath>

namespace {

Colour body_dark = rgb(0x2a2420);
Colour body_mid = rgb(0x5a4a3c);
Colour body_light = rgb(0x9a8670);
Colour leg_colour = rgb(0x3c332c);
Colour wing_fill = rgb(0xc8d4e4);
Colour wing_edge = rgb(0x6f7c90);
Colour eye_colour = rgb(0x120c0c);

// Inside the flash the insect shows as a dark shape with bright edges.
void use_colours(bool silhouette) {
    body_dark = silhouette ? rgb(0x0c0a1c) : rgb(0x2a2420);
    body_mid = silhouette ? rgb(0x1a1636) : rgb(0x5a4a3c);
    body_light = silhouette ? rgb(0x6a78d0) : rgb(0x9a8670);
    leg_colour = silhouette ? rgb(0x141230) : rgb(0x3c332c);
    wing_fill = silhouette ? rgb(0xe8f0ff) : rgb(0xc8d4e4);
    wing_edge = silhouette ? rgb(0x4a58c0) : rgb(0x6f7c90);
}

void thin_line(cairo_t* cr, double x0, double y0, double x1, double y1, double width) {
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x0, y0);
    cairo_line_to(cr, x1, y1);
    cairo_stroke(cr);
}

// A wing hinged at the origin, pointing along `angle`.
void wing(cairo_t* cr, double angle, double length, double width_scale) {
    cairo_save(cr);
    cairo_rotate(cr, angle);
    cairo_scale(cr, 1.0, width_scale);
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, length * 0.3, -7, length * 0.8, -6, length, -1);
    cairo_curve_to(cr, length * 0.85, 4, length * 0.35, 5, 0, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
    set(cr, wing_fill);
    cairo_fill_preserve(cr);
    set(cr, wing_edge);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Veins.
    cairo_save(cr);
    cairo_rotate(cr, angle);
    cairo_scale(cr, 1.0, width_scale);
    cairo_move_to(cr, 2, -1);
    cairo_line_to(cr, length * 0.9, -2);
    cairo_move_to(cr, length * 0.3, -1.5);
    cairo_line_to(cr, length * 0.7, 2);
    cairo_restore(cr);
    set(cr, wing_edge);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

// One leg from the thorax: up to the knee, then long and thin down.
void leg(cairo_t* cr, double hip_x, double knee_dx, double knee_dy, double foot_dx, double foot_dy) {
    set(cr, leg_colour);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    thin_line(cr, hip_x, 3, hip_x + knee_dx, 3 + knee_dy, 1.6);
    thin_line(cr, hip_x + knee_dx, 3 + knee_dy, hip_x + knee_dx + foot_dx, 3 + knee_dy + foot_dy, 1.1);
}

}  // namespace

void draw_mosquito(cairo_t* cr, const MosquitoPose& pose) {
    use_colours(pose.silhouette);
    cairo_save(cr);
    cairo_translate(cr, pose.x, pose.y);
    cairo_rotate(cr, pose.body_angle);
    cairo_scale(cr, pose.scale, pose.scale);
    const double length = pose.length;  // how much of the body's side shows

    // Far wing first, then legs, body and near wing.
    if (pose.wings) {
        cairo_save(cr);
        cairo_translate(cr, 4 * length, -3);
        wing(cr, pose.wing_angle - 0.25, 36, 0.9);
        cairo_restore(cr);
    }

    // Six long legs: the front pair reaching forward, the middle pair
    // hanging, the hind pair trailing back.
    const double sway = pose.leg_sway;
    struct Leg {
        double hip, knee_dx, knee_dy, foot_dx, foot_dy;
    };
    const Leg legs[6] = {{2, -9, 6, -7, 20}, {3, -6, 7, -3, 21}, {5, -2, 8, 1, 22},
                         {6, 1, 8, 4, 21},   {8, 8, 5, 12, 19},  {9, 10, 4, 15, 16}};
    for (const Leg& l : legs) {
        leg(cr, l.hip * length, l.knee_dx * length + sway, l.knee_dy, l.foot_dx * length + sway * 2, l.foot_dy);
    }

    // Abdomen: long and thin, banded.
    cairo_save(cr);
    cairo_translate(cr, 10 * length, 1);
    cairo_rotate(cr, 0.18);
    cairo_scale(cr, 15 * length + 1.5, 3.2);
    cairo_arc(cr, 1, 0, 1, 0, 2 * pi);
    cairo_restore(cr);
    set(cr, body_mid);
    cairo_fill(cr);
    set(cr, body_light);
    for (int band = 1; band < 7; ++band) {
        const double bx = 10 * length + band * 4.2 * length;
        const double by = 1 + (bx - 10 * length) * 0.18;
        cairo_rectangle(cr, bx, by - 2.6, 1.2, 5.2);
        cairo_fill(cr);
    }

    // Thorax: the humped middle.
    ellipse(cr, 5 * length, -0.5, 5 * length + 1.5, 4.2);
    set(cr, body_dark);
    cairo_fill(cr);
    set(cr, body_light);
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, 5 * length, -0.5, 3.0, pi * 1.1, pi * 1.7);
    cairo_stroke(cr);

    // Head, eye, feathery antennae and the long proboscis.
    cairo_arc(cr, -1 * length, 0.5, 2.6, 0, 2 * pi);
    set(cr, body_dark);
    cairo_fill(cr);
    cairo_arc(cr, -1.6 * length, 0, 1.3, 0, 2 * pi);
    set(cr, eye_colour);
    cairo_fill(cr);
    set(cr, leg_colour);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    thin_line(cr, -2 * length, -1.5, -9 * length, -7, 0.9);
    thin_line(cr, -1 * length, -2, -6 * length, -9, 0.9);
    thin_line(cr, -3 * length, 1.5, -17 * length, 5.5, 1.0);

    if (pose.wings) {
        cairo_save(cr);
        cairo_translate(cr, 5 * length, -3.5);
        wing(cr, pose.wing_angle, 38, 1.0);
        cairo_restore(cr);
    }
    cairo_restore(cr);
    use_colours(false);
}

void draw_charred_mosquito(cairo_t* cr, double x, double y, double angle, Scatter& scatter) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    const Colour char_dark = rgb(0x1a1512);
    const Colour char_mid = rgb(0x3d2f26);
    const Colour ember = rgb(0xe0702a);
    // Curled abdomen: an arc under the body.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    set(cr, char_mid);
    cairo_set_line_width(cr, 6.0);
    cairo_arc(cr, 6, 4, 11, -0.3, 2.2);
    cairo_stroke(cr);
    set(cr, char_dark);
    cairo_set_line_width(cr, 4.0);
    cairo_arc(cr, 6, 4, 11, -0.3, 2.2);
    cairo_stroke(cr);
    // Thorax and head.
    cairo_arc(cr, 0, 0, 5.5, 0, 2 * pi);
    set(cr, char_dark);
    cairo_fill(cr);
    cairo_arc(cr, -6, -3, 3, 0, 2 * pi);
    cairo_fill(cr);
    // Legs folded and bent, some sticking out stiffly.
    set(cr, char_mid);
    for (int i = 0; i < 6; ++i) {
        const double a = 0.6 + i * 0.55;
        const double r1 = 9 + scatter.next() * 4;
        const double r2 = r1 + 6 + scatter.next() * 6;
        thin_line(cr, 0, 2, std::cos(a) * r1, std::sin(a) * r1 + 2, 1.4);
        thin_line(cr, std::cos(a) * r1, std::sin(a) * r1 + 2, std::cos(a + 0.7) * r2, std::sin(a + 0.7) * r2 + 2, 1.0);
    }
    // A crumpled wing stump and a proboscis bent back.
    set(cr, rgb(0x5a5550));
    cairo_move_to(cr, 2, -4);
    cairo_line_to(cr, 14, -9);
    cairo_line_to(cr, 9, -2);
    cairo_close_path(cr);
    cairo_fill(cr);
    set(cr, char_mid);
    thin_line(cr, -8, -2, -14, 4, 1.0);
    // Embers still glowing on the body.
    for (int i = 0; i < 4; ++i) {
        set(cr, mix(ember, rgb(0xffc060), scatter.next()));
        cairo_arc(cr, -3 + scatter.next() * 12, -3 + scatter.next() * 10, 1.0 + scatter.next(), 0, 2 * pi);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void draw_flash(cairo_t* cr, double x, double y, double radius, double strength, Scatter& scatter) {
    // Blue-white core, violet halo; solid enough to read on any background.
    const Colour core = rgb(0xf4f8ff);
    const Colour blue = rgb(0x7ab8ff);
    const Colour violet = rgb(0x8a5cff);
    cairo_pattern_t* halo = cairo_pattern_create_radial(x, y, 0, x, y, radius);
    cairo_pattern_add_color_stop_rgba(halo, 0, core.r, core.g, core.b, 1.0);
    cairo_pattern_add_color_stop_rgba(halo, 0.25 * strength, blue.r, blue.g, blue.b, 1.0);
    cairo_pattern_add_color_stop_rgba(halo, 0.6 * strength, violet.r, violet.g, violet.b, 0.75);
    cairo_pattern_add_color_stop_rgba(halo, 0.8 * strength, violet.r, violet.g, violet.b, 0.0);
    cairo_set_source(cr, halo);
    cairo_arc(cr, x, y, radius, 0, 2 * pi);
    cairo_fill(cr);
    cairo_pattern_destroy(halo);
    // Jagged sparks shooting out.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    const int sparks = 9;
    for (int i = 0; i < sparks; ++i) {
        const double a = i * 2 * pi / sparks + scatter.next() * 0.5;
        double r = radius * 0.25;
        cairo_move_to(cr, x + std::cos(a) * r, y + std::sin(a) * r);
        double heading = a;
        const double reach = radius * (0.7 + 0.3 * scatter.next()) * strength;
        while (r < reach) {
            r += 5 + scatter.next() * 5;
            heading = a + (scatter.next() - 0.5) * 0.9;
            cairo_line_to(cr, x + std::cos(heading) * r, y + std::sin(heading) * r);
        }
        set(cr, blue);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke_preserve(cr);
        set(cr, core);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        // A spark dot at the end.
        cairo_arc(cr, x + std::cos(heading) * r, y + std::sin(heading) * r, 1.8, 0, 2 * pi);
        cairo_fill(cr);
    }
}

void draw_mosquito_front(cairo_t* cr, double x, double y, double spread) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    // Wings raised in a V behind the body.
    for (int side = -1; side <= 1; side += 2) {
        cairo_save(cr);
        cairo_translate(cr, side * 2.0, -3);
        wing(cr, side < 0 ? -pi / 2 - spread : -pi / 2 + spread, 36, 0.8);
        cairo_restore(cr);
    }
    // Legs splayed to both sides.
    set(cr, leg_colour);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int side = -1; side <= 1; side += 2) {
        for (int i = 0; i < 3; ++i) {
            const double kx = side * (7 + i * 4), ky = 2 + i * 3;
            thin_line(cr, side * 2, 3, kx, ky, 1.5);
            thin_line(cr, kx, ky, kx + side * (3 + i * 2), ky + 18 + i * 2, 1.0);
        }
    }
    // The abdomen seen end-on below the thorax, the head in front of it.
    ellipse(cr, 0, 8, 3.2, 9);
    set(cr, body_mid);
    cairo_fill(cr);
    ellipse(cr, 0, 0, 5, 4.5);
    set(cr, body_dark);
    cairo_fill(cr);
    cairo_arc(cr, 0, 4, 3, 0, 2 * pi);
    cairo_fill(cr);
    set(cr, eye_colour);
    cairo_arc(cr, -1.5, 3.5, 1.2, 0, 2 * pi);
    cairo_arc(cr, 1.5, 3.5, 1.2, 0, 2 * pi);
    cairo_fill(cr);
    set(cr, leg_colour);
    thin_line(cr, 0, 6, 0, 19, 1.0);  // the proboscis, pointing at us and down
    thin_line(cr, -1, 2, -6, -6, 0.9);
    thin_line(cr, 1, 2, 6, -6, 0.9);
    cairo_restore(cr);
}
