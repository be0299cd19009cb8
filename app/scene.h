// The scene's fixed places: the screen, where the lamp and the rail stand,
// the band the insects fly in and the columns where they come and go.
#pragma once

#include <cstdint>

#include "app/sprites.h"

namespace scene {

inline constexpr std::int32_t width = 640;
inline constexpr std::int32_t height = 480;
inline constexpr std::int32_t right_column = width - 1;
inline constexpr std::int32_t bottom_row = height - 1;

// The lamp hangs from the top of the screen, the rail stands on its bottom;
// both are drawn from their lower-left corner.
inline constexpr std::int32_t lamp_left = 260;
inline constexpr std::int32_t lamp_bottom = 159;
inline constexpr std::int32_t lamp_right = lamp_left + lamp_width - 1;
inline constexpr std::int32_t rail_left = 195;
inline constexpr std::int32_t rail_bottom = bottom_row;
inline constexpr std::int32_t rail_right = rail_left + rail_width - 1;
inline constexpr std::int32_t rail_top = rail_bottom - rail_height + 1;

// Where an insect's frame must reach for a hit: its top at or above `top`,
// its columns meeting `left` to `right`.
struct Zone {
    std::int32_t left, right, top;
};
// The lamp's zone reaches one column past its image.
inline constexpr Zone lamp_zone{lamp_left, lamp_right + 1, lamp_bottom};
inline constexpr Zone zap_zone{310, 341, 120};

// New insects start just beyond a side, and leave once past either.
inline constexpr std::int32_t enter_left = -60;
inline constexpr std::int32_t enter_right = 700;
// The band they start in and are turned back into.
inline constexpr std::int32_t start_top = 40;
inline constexpr std::int32_t start_bottom = 360;
inline constexpr std::int32_t band_top = 30;
inline constexpr std::int32_t band_bottom = 360;

}  // namespace scene
