// Frame composition over two pages: the page drawn now was last drawn two
// frames ago, so each insect's last two boxes are restored.
#include "app/compose.h"

#include <algorithm>
#include <array>

#include "app/insects.h"
#include "app/scene.h"
#include "app/shell.h"
#include "app/sprites.h"
#include "gfx/gfx.h"

namespace {

// The boxes of insects removed in the last frame; at most every insect there is.
std::array<Box, max_insects> removed_boxes{};
std::size_t removed_count = 0;

void restore_union(const Box& a, const Box& b) {
    // Each bound is clamped on the side where it can leave the screen; a
    // union wholly beyond an edge ends inverted and is skipped.
    const std::int32_t left = std::max(std::min(a.left, b.left), 0);
    const std::int32_t right = std::min(std::max(a.right, b.right), scene::right_column);
    const std::int32_t top = std::max(std::min(a.top, b.top), 0);
    const std::int32_t bottom = std::min(std::max(a.bottom, b.bottom), scene::bottom_row);
    if (left <= right && top <= bottom) {
        gfx_copy_rect(left, right, top, bottom, left, bottom, background_buffer, screen_buffer);
    }
}

}  // namespace

void restore_background(Insect* insect) {
    const Box a = insect->box;
    const Box b = insect->last_box;
    insect->last_box = insect->box;
    restore_union(a, b);
}

void keep_removed_boxes(const Insect* insect) {
    if (removed_count == removed_boxes.size()) return;
    const Box& a = insect->box;
    const Box& b = insect->last_box;
    removed_boxes[removed_count++] =
        Box{std::min(a.left, b.left), std::max(a.right, b.right), std::min(a.top, b.top), std::max(a.bottom, b.bottom)};
}

void restore_removed() {
    for (std::size_t i = 0; i < removed_count; ++i) restore_union(removed_boxes[i], removed_boxes[i]);
    removed_count = 0;
}

void forget_removed() { removed_count = 0; }

void draw_insect(Insect* insect) {
    const SpriteFrame& s = *insect->sprite;
    insect->box = screen_box(insect);
    gfx_move_to(insect->box.left, insect->box.bottom);
    if (insect->facing == 0) {
        gfx_draw_transparent(s.bitmap, s.width, s.height);
    } else {
        gfx_draw_transparent_mirrored(s.bitmap, s.width, s.height);
    }
}

void draw_lamp() {
    gfx_move_to(scene::lamp_left, scene::lamp_bottom);
    gfx_draw_transparent_unclipped(lamp_image, lamp_width, lamp_height);
}

void draw_rail() {
    gfx_move_to(scene::rail_left, scene::rail_bottom);
    gfx_draw_transparent_unclipped(rail_image, rail_width, rail_height);
}
