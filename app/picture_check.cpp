// The extents the scene cuts from each picture, from the same tables that
// cut them, so a picture that is too small is caught before it loads.
#include "app/picture_check.h"

#include <algorithm>

#include "app/frame_tables.h"
#include "app/sprites.h"
#include "gfx/pcx/pcx_check.h"

namespace {

template <std::size_t N>
constexpr PcxNeeds covering(const FrameTable (&frames)[N], std::size_t first = 0, std::size_t last = N - 1) {
    PcxNeeds needs;
    for (std::size_t i = first; i <= last; ++i) {
        needs.width = std::max(needs.width, frames[i].right + 1);
        needs.height = std::max(needs.height, frames[i].bottom + 1);
    }
    return needs;
}

struct Picture {
    std::string_view name;
    PcxNeeds needs;
};

// The scenery images are cut upwards from their lower-left corners.
constexpr Picture pictures[] = {
    {"VeskBack.pcx", {640, 480, true}},
    {"Mosquito.pcx", covering(fly_frames)},
    {"Mfall.pcx", covering(fall_frames)},
    {"Mturn.pcx", covering(turn_frames)},
    {"Mzap.pcx", covering(zap_frames, 0, 2)},
    {"Mzapa.pcx", covering(zap_frames, 3, 3)},
    {"Lamp.pcx", {lamp_sheet_x + lamp_width, lamp_sheet_y + 1, false}},
    {"Rail.pcx", {rail_sheet_x + rail_width, rail_sheet_y + 1, false}},
};

}  // namespace

std::string picture_problem(std::string_view name, std::span<const std::uint8_t> bytes) {
    const auto it = std::find_if(std::begin(pictures), std::end(pictures),
                                 [&](const Picture& picture) { return picture.name == name; });
    return pcx_problem(bytes, it != std::end(pictures) ? it->needs : PcxNeeds{});
}
