// The graphics layer's globals: DisplayState, the buffer table, the active
// buffer, the drawing position, the palette tables and the reader's input.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/gfx.h"

inline constexpr int buffer_slots = 256;
inline constexpr int avi_entry_count = 17;
// How a 16-bit display packs its colours; gfx/buffers/pixels.h names the
// layouts and packs them.
enum class Rgb16Layout : std::uint8_t;

struct DisplayState {
    // The display request and the DirectDraw objects that serve it.
    std::int32_t mode_width = 0;
    std::int32_t mode_height = 0;
    std::int32_t mode_bits = 0;
    std::uint32_t mode_flags = 0;
    std::uint32_t extra_caps = 0;
    HMODULE ddraw_library = nullptr;
    IDirectDraw* ddraw_v1 = nullptr;
    // IDirectDraw7, IDirectDraw4 or IDirectDraw2: the methods the layer calls
    // sit at the same places in all three.
    IDirectDraw7* ddraw = nullptr;
    std::int32_t ddraw_version = 0;
    HWND focus_window = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* back_buffer = nullptr;  // the flip chain's, entered as buffer 0
    IDirectDrawPalette* ddraw_palette = nullptr;
    IDirectDrawClipper* clipper = nullptr;
    IUnknown* d3d = nullptr;         // IDirect3D7, IDirect3D3 or IDirect3D2
    IUnknown* d3d_device = nullptr;  // the matching device interface
    IUnknown* viewport = nullptr;    // versions 6 and 5 only
    IDirectDrawSurface7* zbuffer = nullptr;
    std::int32_t device_kind = -1;
    std::uint32_t red_mask = 0;
    std::uint32_t green_mask = 0;
    std::uint32_t blue_mask = 0;
    std::uint32_t alpha_mask = 0;
    Rgb16Layout rgb16_layout{};
    std::uint32_t buffer_caps = 0;
    // Shared by buffer creation, description queries and every lock. Its
    // size field names the record in use: the newer one, or the older one
    // for DirectDraw 5; the fields the layer uses sit at the same places.
    DDSURFACEDESC2 surface_desc{};
    HRESULT last_error = 0;
    HDC memory_dc = nullptr;
    std::int32_t is_nt = 0;
    HMODULE avi_library = nullptr;
    std::array<FARPROC, avi_entry_count> avi_entry_points{};
    HGDIOBJ text_font = nullptr;
    std::int32_t text_line_height = 0;
    std::int32_t text_leading = 0;
    std::int32_t text_char_width = 0;

    // The GDI side of the palette.
    HDC attached_dc = nullptr;
    HPALETTE current_palette = nullptr;
    HPALETTE saved_palette = nullptr;

    // Frame pacing: where the grid of 60 Hz ticks starts on the
    // high-resolution counter, and the frames shown on it since (-1 before
    // the first); whether a 1 ms timer resolution is held for the waits.
    std::int64_t pace_base = 0;
    std::int64_t pace_frames = -1;
    std::int32_t timer_period_held = 0;
    // A loss that a flip restored by itself still leaves the other surfaces
    // without their pictures.
    std::int32_t loss_seen = 0;

    // The buffer side.
    std::int32_t lock_count = 0;
    std::int32_t new_buffer_depth = 8;
};

struct VirtualBuffer {
    IDirectDrawSurface7* surface = nullptr;  // null: the slot is free
    std::int32_t bits_per_pixel = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pitch = 0;
    ClipRect clip{};
};

struct ActiveBuffer {
    BufferHandle handle = -1;
    IDirectDrawSurface7* surface = nullptr;
    std::int32_t bits_per_pixel = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pitch = 0;
    ClipRect clip{};
    // Pixel (0, 0) while the surface lock is held; null when the platform
    // did not grant the lock, so nothing is read or written.
    std::uint8_t* pixels = nullptr;
};

struct DrawPosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

struct MasterPalette {
    WORD version = 0x300;
    WORD count = 256;
    std::array<PALETTEENTRY, 256> entries{};
};

// One native pixel per palette index for the active buffer's depth: 16-bit
// values, or four bytes 0, R, G, B (read backwards they are the pixel).
union ColorLookup {
    std::array<std::uint16_t, 256> rgb16;
    std::array<std::array<std::uint8_t, 4>, 256> rgb32;
};

struct ReadBuffer {
    const std::uint8_t* data = nullptr;
    std::int32_t size = 0;
};

// The colours the layer puts in its palette before any picture sets its own.
extern const std::array<std::array<std::uint8_t, 3>, 256> default_colors;

struct CursorState {
    std::uint8_t mouse_present = 0;
    std::uint8_t cursor_visible = 0;  // what ShowCursor was last told (bit 0)
};

extern DisplayState display;
extern CursorState cursor_state;
extern std::array<VirtualBuffer, buffer_slots> buffer_table;
extern ActiveBuffer active_buffer;
extern DrawPosition draw_position;
extern MasterPalette master_palette;
extern ColorLookup color_lookup;
extern ReadBuffer read_buffer;
extern std::array<std::uint8_t, 4096> read_block;

// Lock levels on the active buffer's surface; only the outermost level
// reaches the platform.
void lock_active_buffer();
void unlock_active_buffer();
// The platform lock itself, used by the palette step around a palette change.
void lock_surface();
void unlock_surface();

// Remembers a platform answer that says the surfaces lost their memory.
inline HRESULT note_loss(HRESULT result) {
    if (result == DDERR_SURFACELOST) display.loss_seen = 1;
    return result;
}

// Holds the frame just shown until the next 1/60 s tick.
void pace_frame();
// Gives back what pacing holds of the system: the timer resolution.
void end_pacing();

void rebuild_color_lookup();
// Empties the shared surface description, keeping the size that names it.
void clear_surface_desc();
// Empties the table and the buffer-side state, as every display set-up does.
void reset_buffer_state();
// Puts every global of the layer back to its value at program start.
void reset_layer_globals();
