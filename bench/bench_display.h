// Benchmarks run on the portable platform's headless display, set up as the
// program sets it up: 640 x 480 x 8 with a flip chain, buffer 0 selected.
#pragma once

#include "gfx/gfx.h"
#include "gfx/state.h"
#include "platform/portable/control/control.h"

inline void bench_display() {
    platform::reset();
    platform::set_call_logging(false);  // measure the layer, not the log
    reset_layer_globals();
    static WNDPROC procedure = [](HWND window, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        return DefWindowProcA(window, message, wparam, lparam);
    };
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.lpszClassName = "Bench";
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(0, "Bench", "bench", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    gfx_request_mode(640, 480, 8, GFX_MODE_FLIP);
    gfx_setup_display();
    gfx_select_buffer(0);
}
