// The graphics layer's globals.
#include "gfx/state.h"

DisplayState display;
CursorState cursor_state;
std::array<VirtualBuffer, buffer_slots> buffer_table;
ActiveBuffer active_buffer;
DrawPosition draw_position;
MasterPalette master_palette;
ColorLookup color_lookup{};
std::array<std::uint8_t, 4096> read_block{};
ReadBuffer read_buffer{read_block.data(), static_cast<std::int32_t>(read_block.size())};

void reset_layer_globals() {
    display = DisplayState{};
    cursor_state = CursorState{};
    buffer_table = {};
    active_buffer = ActiveBuffer{};
    draw_position = DrawPosition{};
    master_palette = MasterPalette{};
    color_lookup = ColorLookup{};
    read_block = {};
    read_buffer = ReadBuffer{read_block.data(), static_cast<std::int32_t>(read_block.size())};
}

void clear_surface_desc() {
    const DWORD size = display.surface_desc.dwSize;
    display.surface_desc = DDSURFACEDESC2{};
    display.surface_desc.dwSize = size;
}
