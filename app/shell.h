// The program's top: the window, the message loop that runs a frame whenever
// no message waits, and the start-up, activation and shutdown sequences.
#pragma once

#include <cstdint>

#include "gfx/gfx.h"

extern BufferHandle screen_buffer;
extern BufferHandle background_buffer;
extern HDC window_dc;
extern HPALETTE logical_palette;
extern std::int32_t app_active;
extern std::int32_t app_initialised;
// The last repaint found no memory to read the background with; the next
// frame repaints again.
extern bool repaint_pending;

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void run_frame();
void present_frame();

// Everything the program holds back to its state at process start, for
// running the program more than once in one process (tests, tools).
void reset_app_globals();
