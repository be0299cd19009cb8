// The graphics layer's public functions and shared types: flat gfx_
// functions over global state, each returning a 32-bit signed result.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// A slot of the buffer table, 0 to 255; -1 means none. Buffer 0 is the
// display's back buffer.
using BufferHandle = std::int32_t;

// Inclusive bounds.
struct ClipRect {
    std::int32_t min_x;
    std::int32_t max_x;
    std::int32_t min_y;
    std::int32_t max_y;
};

// Display request flags.
inline constexpr std::uint32_t GFX_MODE_FLIP = 1;
inline constexpr std::uint32_t GFX_MODE_SOFTWARE_3D = 2;
inline constexpr std::uint32_t GFX_MODE_HARDWARE_3D = 4;
inline constexpr std::uint32_t GFX_MODE_ZBUFFER = 8;
inline constexpr std::uint32_t GFX_MODE_EXACT_DEPTH = 16;

// PCX loading flags.
inline constexpr std::int32_t PCX_KEEP_PALETTE = 1;
inline constexpr std::int32_t PCX_AT_DRAW_POSITION = 2;
inline constexpr std::int32_t PCX_FROM_MEMORY = 4;
inline constexpr std::int32_t PCX_NO_COLOR_REDUCTION = 8;
// gfx_load_pcx's result: 0 done, 1 no such file, 2 not a PCX file, 3 a format
// the buffer cannot take, 4 out of memory, or this: the file ended before
// the picture did, and what could be read is stored.
inline constexpr std::int32_t PCX_ENDED_EARLY = 5;

// Display set-up, palette, flip and shutdown.
std::int32_t gfx_request_mode(std::int32_t width, std::int32_t height, std::int32_t bits, std::uint32_t flags);
std::int32_t gfx_setup_display();
std::int32_t gfx_last_error();
std::int32_t gfx_desktop_depth();
std::int32_t gfx_select_stock_font(std::int32_t stock_object);
std::int32_t gfx_set_buffer_depth(std::int32_t bits);
std::int32_t gfx_attach_dc(HDC dc);
HPALETTE gfx_create_logical_palette();
std::int32_t gfx_realize_palette(HPALETTE palette);
std::int32_t gfx_attach_palette();
std::int32_t gfx_set_palette_range(std::int32_t first, std::int32_t count, const std::uint8_t* rgb);
void gfx_set_image_palette(std::int32_t count8, const std::uint8_t* rgb8, std::int32_t count_deep,
                           const std::uint8_t* rgb_deep);
std::int32_t gfx_flip();
std::int32_t gfx_restore_surfaces();
// 1 when a surface of the display has lost its memory since the last
// gfx_restore_surfaces (whether or not a flip already restored the primary
// surface by itself), so its pictures must be drawn again; else 0.
std::int32_t gfx_surfaces_lost();
std::int32_t gfx_deselect_buffers();
std::int32_t gfx_shutdown();

// Drawing buffers.
BufferHandle gfx_create_buffer(std::int32_t width, std::int32_t height);
std::int32_t gfx_select_buffer(BufferHandle handle);
std::int32_t gfx_free_buffer(BufferHandle handle);
std::int32_t gfx_move_to(std::int32_t x, std::int32_t y);
std::int32_t gfx_get_image(std::uint8_t* bitmap, std::int32_t width, std::int32_t height);
std::int32_t gfx_draw_transparent(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height);
std::int32_t gfx_draw_transparent_mirrored(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height);
std::int32_t gfx_draw_transparent_unclipped(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height);
std::int32_t gfx_copy_rect(std::int32_t min_x, std::int32_t max_x, std::int32_t min_y, std::int32_t max_y,
                           std::int32_t new_x, std::int32_t new_y, BufferHandle source, BufferHandle destination);
std::int32_t gfx_copy_buffer(BufferHandle source, BufferHandle destination);

// PCX pictures.
std::int32_t gfx_load_pcx(const char* filename, std::int32_t flags);
// Hands the reader a whole PCX file in memory for PCX_FROM_MEMORY; a null
// pointer points it back at the layer's own input block.
std::int32_t gfx_set_read_buffer(const std::uint8_t* data, std::int32_t size);
std::int32_t gfx_reduce_colors(std::int32_t start, std::int32_t count, std::uint8_t* rgb);

// Mouse cursor.
std::int32_t gfx_mouse_init();
std::int32_t gfx_show_cursor(std::int32_t flag);
