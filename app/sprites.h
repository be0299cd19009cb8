// The animation frames and the scenery images, cut from sprite sheets at
// start-up and kept for the whole run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct SpriteFrame {
    std::uint8_t* bitmap;  // width x height palette indices, bottom row first; 0 is transparent
    std::int32_t width;
    std::int32_t height;
    std::int32_t x_offset;  // added to the insect's anchor
    std::int32_t y_offset;  // the bottom row lies at the anchor's y plus this
};

template <std::size_t Frames>
using SpriteSet = std::array<SpriteFrame*, Frames>;

extern SpriteSet<8> fly_set;
extern SpriteSet<4> fall_set;
extern SpriteSet<4> turn_set;
extern SpriteSet<4> zap_set;

inline constexpr std::int32_t lamp_width = 111;
inline constexpr std::int32_t lamp_height = 160;
inline constexpr std::int32_t rail_width = 237;
inline constexpr std::int32_t rail_height = 140;
extern std::uint8_t lamp_image[lamp_width * lamp_height];
extern std::uint8_t rail_image[rail_width * rail_height];

// The text of an allocation failure while the sprites are cut; empty when
// none happened.
extern char message_buffer[128];

// Loads every sheet into the screen buffer and cuts the frames from it.
// Leaves the screen buffer selected. Stops at the first allocation that
// fails, with its text in message_buffer, and never uses a missing frame.
void load_sprites();

// Where the frames' memory comes from; replaceable so that a failing
// allocation can be tried.
extern void* (*sprite_allocate)(std::size_t bytes);

// Frees every frame and empties the sets.
void free_sprites();
