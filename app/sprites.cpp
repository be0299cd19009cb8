// Cutting the sprite sets and the scenery images from their sheets.
#include "app/sprites.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/frame_tables.h"
#include "app/shell.h"
#include "gfx/gfx.h"

SpriteSet<8> fly_set{};
SpriteSet<4> fall_set{};
SpriteSet<4> turn_set{};
SpriteSet<4> zap_set{};
std::uint8_t lamp_image[lamp_width * lamp_height];
std::uint8_t rail_image[rail_width * rail_height];
char message_buffer[128];
void* (*sprite_allocate)(std::size_t bytes) = &std::malloc;

namespace {

bool capture_frame(SpriteFrame*& slot, const FrameTable& table) {
    auto* frame = static_cast<SpriteFrame*>(sprite_allocate(sizeof(SpriteFrame)));
    if (frame == nullptr) {
        std::snprintf(message_buffer, sizeof message_buffer, "cannot allocate sprites");
        return false;
    }
    frame->height = table.bottom - table.top + 1;
    frame->width = table.right - table.left + 1;
    frame->x_offset = table.x_offset;
    frame->y_offset = table.y_offset;
    frame->bitmap = nullptr;
    slot = frame;
    gfx_move_to(table.left, table.bottom);
    frame->bitmap = static_cast<std::uint8_t*>(
        sprite_allocate(static_cast<std::size_t>(frame->width) * static_cast<std::size_t>(frame->height)));
    if (frame->bitmap == nullptr) {
        std::snprintf(message_buffer, sizeof message_buffer, "cannot allocate bitmaps");
        return false;
    }
    gfx_get_image(frame->bitmap, frame->width, frame->height);
    return true;
}

template <std::size_t N>
bool capture_set(SpriteSet<N>& set, const FrameTable* tables, std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i) {
        if (!capture_frame(set[i], tables[i])) return false;
    }
    return true;
}

template <std::size_t N>
void free_set(SpriteSet<N>& set) {
    for (SpriteFrame*& frame : set) {
        if (frame != nullptr) std::free(frame->bitmap);
        std::free(frame);
        frame = nullptr;
    }
}

}  // namespace

void load_sprites() {
    message_buffer[0] = '\0';
    gfx_select_buffer(screen_buffer);
    constexpr std::int32_t sheet_flags = PCX_KEEP_PALETTE | PCX_NO_COLOR_REDUCTION;
    gfx_load_pcx("Mosquito.pcx", sheet_flags);
    if (!capture_set(fly_set, fly_frames, 0, 7)) return;
    gfx_load_pcx("Mfall.pcx", sheet_flags);
    if (!capture_set(fall_set, fall_frames, 0, 3)) return;
    gfx_load_pcx("Mturn.pcx", sheet_flags);
    if (!capture_set(turn_set, turn_frames, 0, 3)) return;
    gfx_load_pcx("Mzap.pcx", sheet_flags);
    if (!capture_set(zap_set, zap_frames, 0, 2)) return;
    gfx_load_pcx("Mzapa.pcx", sheet_flags);
    if (!capture_set(zap_set, zap_frames, 3, 3)) return;
    gfx_load_pcx("Lamp.pcx", sheet_flags);
    gfx_move_to(lamp_sheet_x, lamp_sheet_y);
    gfx_get_image(lamp_image, lamp_width, lamp_height);
    gfx_load_pcx("Rail.pcx", sheet_flags);
    gfx_move_to(rail_sheet_x, rail_sheet_y);
    gfx_get_image(rail_image, rail_width, rail_height);
}

void free_sprites() {
    free_set(fly_set);
    free_set(fall_set);
    free_set(turn_set);
    free_set(zap_set);
}
