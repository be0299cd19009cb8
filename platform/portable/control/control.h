// How tests and tools steer the portable platform: reset it, watch every
// platform call, make calls fail, and set what the machine looks like.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../../win32.h"

namespace platform {

struct Call {
    std::string name;
    std::vector<std::string> args;  // decimal numbers, "0x..." pointers, "null", or text
};

struct MessageBoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct DisplayMode {
    int width;
    int height;
    int bits;
};

struct OfferedDevice {
    std::string name;
    bool hardware = false;
    DWORD render_depths = DDBD_8 | DDBD_16 | DDBD_24 | DDBD_32;  // DDBD_ flags
    DWORD zbuffer_depths = DDBD_16 | DDBD_24 | DDBD_32;          // DDBD_ flags
    GUID guid{};
};

// Puts the whole platform back to its start: no windows, classes, files,
// modules, objects or messages; default machine settings; empty call log;
// no pending failures; the headless host with no script.
void reset();

// Every platform call is appended here, in order, with its arguments, while
// logging is on (the default). Programs that run for long turn it off.
void set_call_logging(bool on);
const std::vector<Call>& calls();
void clear_calls();
// The calls named `name`, in order.
std::vector<Call> calls_named(std::string_view name);
// How a pointer argument is written in the log.
std::string pointer_text(const void* pointer);
// Index of the first call named `name` at or after `from`, or -1.
int find_call(std::string_view name, std::size_t from = 0);

// The next `count` calls of the named function return `result` (cast to the
// function's result type) and do nothing else. For COM methods the name is
// "Interface::Method", for example "IDirectDraw7::SetDisplayMode".
void fail_next(std::string_view name, int count, std::int64_t result);
// `count` successful calls of `name` go through first, then `fail_count`
// calls fail with `result`.
void fail_after(std::string_view name, int pass_count, int fail_count, std::int64_t result);

// Machine settings.
void set_desktop_depth(int bits);
void set_mouse_present(bool present);
void set_system_palette(const PALETTEENTRY (&entries)[256]);
void set_version(DWORD version);
void set_module_available(std::string_view module, bool available);
void set_export_available(std::string_view module, std::string_view name, bool available);
// Opening the file `name` (as the program names it, case aside) opens `path`
// instead: the desktop program takes each picture from where a good copy is.
void set_file_source(std::string_view name, std::string path);

// Observations.
int cursor_display_count();
const std::vector<MessageBoxRecord>& message_boxes();
std::vector<BYTE> keyboard_state();
int module_reference_count(std::string_view module);
std::size_t open_file_count();
std::size_t global_block_count();
std::size_t window_count();
HPALETTE selected_palette(HDC dc);
HGDIOBJ selected_font(HDC dc);
int stretch_mode(HDC dc);
std::vector<PALETTEENTRY> palette_entries(HPALETTE palette);
std::size_t gdi_object_count();  // palettes and device contexts made and not yet deleted

// DirectDraw and Direct3D.
void set_display_modes(const std::vector<DisplayMode>& modes);
void set_rgb16_555(bool five_five_five);  // 16-bit layout offered by the display
void set_devices(const std::vector<OfferedDevice>& devices);
void lose_surfaces();  // as when another program takes the exclusive display
// While the display is taken away, lost surfaces cannot be restored.
void set_display_available(bool available);
// A restored surface comes back with rows 64 bytes further apart, as a real
// driver may give it memory of another layout.
void set_restore_moves_pitch(bool on);
int live_objects();  // DirectDraw and Direct3D objects not yet freed
// Calls on freed objects and releases past zero seen since the last reset.
int misuse_count();
std::vector<std::string> live_object_kinds();
int surface_pitch_for(int width, int bits);

// Timer periods asked for with timeBeginPeriod and not yet given back.
int timer_periods_held();

}  // namespace platform
