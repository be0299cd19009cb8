// Frame composition over two pages: the page drawn now was last drawn two
// frames ago, so each insect's last two boxes are restored.
#include "app/compose.h"

#include <algorithm>

#include "app/insects.h"
#include "app/shell.h"
#include "app/sprites.h"
#include "gfx/gfx.h"

void restore_background(Insect* insect) {
    const Box& a = insect->box;
    const Box& b = insect->last_box;
    // Each bound is clamped on the side where it can leave the screen; a
    // union wholly beyond an edge ends inverted and is skipped.
    const std::int32_t left = std::max(std::min(a.left, b.left), 0);
    const std::int32_t right = std::min(std::max(a.right, b.right), 639);
    const std::int32_t top = std::max(std::min(a.top, b.top), 0);
    const std::int32_t bottom = std::min(std::max(a.bottom, b.bottom), 479);
    insect->last_box = insect->box;
    if (left <= right && top <= bottom) {
        gfx_copy_rect(left, right, top, bottom, left, bottom, background_buffer, screen_buffer);
    }
}

void draw_insect(Insect* insect) {
    const SpriteFrame& s = *insect->sprite;
    const std::int32_t left = insect->facing == 0 ? insect->x + s.x_offset : insect->x - s.width - s.x_offset;
    const std::int32_t bottom = insect->y + s.y_offset;
    insect->box.left = left;
    insect->box.bottom = bottom;
    gfx_move_to(left, bottom);
    if (insect->facing == 0) {
        gfx_draw_transparent(s.bitmap, s.width, s.height);
    } else {
        gfx_draw_transparent_mirrored(s.bitmap, s.width, s.height);
    }
    insect->box.right = left + s.width;
    insect->box.top = bottom - s.height;
}

void draw_lamp() {
    gfx_move_to(260, 159);
    gfx_draw_transparent_unclipped(lamp_image, lamp_width, lamp_height);
}

void draw_rail() {
    gfx_move_to(195, 479);
    gfx_draw_transparent_unclipped(rail_image, rail_width, rail_height);
}
