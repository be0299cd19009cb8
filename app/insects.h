// The mosquitoes: a doubly linked list of insects, each moved once per
// frame by its current state routine, with one pseudo-random generator as
// the only source of chance.
#pragma once

#include <cstdint>

struct SpriteFrame;
struct Insect;

// The routine the state pass calls for an insect.
using InsectState = void (*)(Insect* insect);

struct Box {
    std::int32_t left;
    std::int32_t right;
    std::int32_t top;
    std::int32_t bottom;
};

struct Insect {
    Insect* next;
    Insect* prev;
    std::int32_t x;
    std::int32_t y;
    std::int32_t depth;   // below 0 behind the lamp, 0 or more in front of it
    std::int32_t dx;      // +4 or -4
    std::int32_t dy;      // -2 to 2
    std::int32_t facing;  // 1 exactly when moving right: drawn mirrored
    std::int32_t frame;
    Box box;       // the screen box of the last draw
    Box last_box;  // and of the draw before it
    const SpriteFrame* sprite;
    InsectState state;
};

extern Insect* insect_head;
extern Insect* insect_tail;
extern std::int32_t insect_count;
extern std::uint32_t random_seed;

inline constexpr std::int32_t max_insects = 5;

// 15-bit results from a linear congruential generator that starts at 1.
std::int32_t random_next();
void reset_insect_list();
void spawn_insect();

void state_fly(Insect* insect);
void state_turn(Insect* insect);
void state_turn_finish(Insect* insect);
void state_zap(Insect* insect);
void state_fall(Insect* insect);
void remove_insect(Insect* insect);

// Where the insect's current frame lands on screen: right one past its last
// column, bottom its lowest row and top one above its highest. Facing right,
// the frame is mirrored to the left of the anchor.
Box screen_box(const Insect* insect);

std::int32_t lamp_overlap_test(const Insect* insect);
std::int32_t zap_zone_test(const Insect* insect);
