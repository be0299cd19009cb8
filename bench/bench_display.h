// Benchmarks run on the portable platform's headless display, set up as the
// program sets it up: 640 x 480 x 8 with a flip chain, buffer 0 selected.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gfx/gfx.h"
#include "gfx/state.h"
#include "platform/portable/control/control.h"

// One of the layer's bitmap drawing routines: bitmap, width, height.
using Draw = std::int32_t (*)(const std::uint8_t*, std::int32_t, std::int32_t);

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

// memcpy of `bytes` bytes, again and again: the floor for a routine that
// moves as many.
inline void memcpy_floor(benchmark::State& state, std::size_t bytes) {
    std::vector<std::uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
