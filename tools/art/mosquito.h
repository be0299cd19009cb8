// Painting the mosquito, its flash and its charred remains.
#pragma once

#include "tools/art/canvas.h"

struct MosquitoPose {
    double x, y;          // the thorax
    double wing_angle;    // radians from the body's axis; negative is up
    double body_angle;    // the body's tilt
    double length = 1.0;  // 1: full side view; smaller as it turns towards us
    double leg_sway = 0;  // legs trail a little with the wing beat
    bool wings = true;
    double scale = 1.0;
    bool silhouette = false;  // dark against the flash
};

// Side view facing left (the direction it flies in unmirrored frames).
void draw_mosquito(cairo_t* cr, const MosquitoPose& pose);
void draw_charred_mosquito(cairo_t* cr, double x, double y, double angle, Scatter& scatter);
void draw_flash(cairo_t* cr, double x, double y, double radius, double strength, Scatter& scatter);
// Seen from the front, half way through a turn.
void draw_mosquito_front(cairo_t* cr, double x, double y, double spread);
