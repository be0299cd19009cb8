// Insect behaviour: flying with a wing beat, turning round, drifting nearer,
// being caught by the lamp, falling and going away.
#include "app/insects.h"

#include <new>

#include "app/scene.h"
#include "app/sprites.h"

Insect* insect_head = nullptr;
Insect* insect_tail = nullptr;
std::int32_t insect_count = 0;
std::uint32_t random_seed = 1;

namespace {

// Whether the insect's frame reaches into the zone. The frame's height is
// measured up from the anchor, not from where the frame is drawn.
std::int32_t reaches(const Insect* insect, const scene::Zone& zone) {
    const Box box = screen_box(insect);
    const std::int32_t top = insect->y - insect->sprite->height;
    return top <= zone.top && box.right >= zone.left && box.left <= zone.right ? 1 : 0;
}

}  // namespace

Box screen_box(const Insect* insect) {
    const SpriteFrame& s = *insect->sprite;
    const std::int32_t left = insect->facing == 0 ? insect->x + s.x_offset : insect->x - s.width - s.x_offset;
    const std::int32_t bottom = insect->y + s.y_offset;
    return Box{left, left + s.width, bottom - s.height, bottom};
}

std::int32_t random_next() {
    random_seed = random_seed * 214013u + 2531011u;
    return static_cast<std::int32_t>((random_seed >> 16) & 0x7FFF);
}

void reset_insect_list() {
    insect_head = nullptr;
    insect_tail = nullptr;
    insect_count = 0;
}

void spawn_insect() {
    auto* insect = new (std::nothrow) Insect{};
    if (insect == nullptr) return;
    insect->frame = 0;
    insect->state = state_fly;
    insect->sprite = fly_set[0];
    const std::int32_t side = random_next() % 2;
    insect->x = side == 1 ? scene::enter_left : scene::enter_right;
    insect->dx = side == 1 ? 4 : -4;
    insect->facing = side;
    insect->box = Box{0, 0, 0, 0};
    insect->last_box = Box{0, 0, 0, 0};
    insect->y = random_next() % (scene::start_bottom - scene::start_top + 1) + scene::start_top;
    insect->dy = random_next() % 5 - 2;
    insect->depth = random_next() % 5 - 3;
    insect->next = nullptr;
    insect->prev = insect_head == nullptr ? nullptr : insect_tail;
    if (insect_head == nullptr) {
        insect_head = insect;
    } else {
        insect_tail->next = insect;
    }
    insect_tail = insect;
    ++insect_count;
}

std::int32_t lamp_overlap_test(const Insect* insect) { return reaches(insect, scene::lamp_zone); }

std::int32_t zap_zone_test(const Insect* insect) { return reaches(insect, scene::zap_zone); }

void state_fly(Insect* insect) {
    insect->x += insect->dx;
    // Off the screen's side it goes, unless it turns or is caught below.
    if (insect->x > scene::enter_right || insect->x < scene::enter_left) insect->state = remove_insect;
    insect->y += insect->dy;
    if (insect->y > scene::band_bottom) {
        insect->dy = -1;
    } else if (insect->y < scene::band_top) {
        insect->dy = 1;
    } else if (random_next() % 41 == 9) {
        insect->dy = random_next() % 5 - 2;
    }
    ++insect->frame;
    if (insect->frame == 7) {
        if (random_next() % 11 == 9) insect->state = state_turn;
    } else if (insect->frame > 7) {
        insect->frame = 0;
    }
    insect->sprite = fly_set[insect->frame];
    if (insect->depth >= -1 && insect->depth <= 1 && zap_zone_test(insect) == 1) {
        insect->frame = -1;
        insect->state = state_zap;
    }
}

void state_turn(Insect* insect) {
    ++insect->frame;
    if (insect->frame > 7) {
        insect->frame = 0;
    } else if (insect->frame == 3) {
        insect->state = state_turn_finish;
    }
    insect->sprite = turn_set[insect->frame];
}

void state_turn_finish(Insect* insect) {
    insect->facing = insect->facing == 0 ? 1 : 0;
    insect->dx = -insect->dx;
    insect->x += insect->facing == 0 ? -36 : 36;
    insect->frame = 0;
    insect->sprite = fly_set[1];
    // Turning away from the lamp brings it one level nearer.
    if (lamp_overlap_test(insect) == 0) ++insect->depth;
    insect->state = state_fly;
}

void state_zap(Insect* insect) {
    ++insect->frame;
    insect->sprite = zap_set[insect->frame];
    if (insect->frame == 3) {
        insect->frame = -1;
        insect->state = state_fall;
    }
}

void state_fall(Insect* insect) {
    ++insect->frame;
    if (insect->frame > 3) insect->frame = 0;
    insect->sprite = fall_set[insect->frame];
    insect->y += 14;
    if (insect->y - insect->sprite->height > scene::height) insect->state = remove_insect;
}

void remove_insect(Insect* insect) {
    if (insect == insect_head) {
        insect_head = insect->next;
        if (insect_head != nullptr) insect_head->prev = nullptr;
    } else if (insect == insect_tail) {
        insect_tail = insect->prev;
        insect_tail->next = nullptr;
    } else {
        insect->prev->next = insect->next;
        insect->next->prev = insect->prev;
    }
    delete insect;
    --insect_count;
}
