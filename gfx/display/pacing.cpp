// At most 60 frames a second on every platform. Every speed of the
// animation is in pixels per frame, and a flip does not always wait for the
// display (windowed, emulated, or a monitor faster than 60 Hz), so each
// shown frame is held to the next tick of a 60 Hz grid on the
// high-resolution counter. The deadlines are absolute, so waking a little
// late never adds up to drift, and the waits sleep rather than spin.
#include <algorithm>

#include "gfx/state.h"

namespace {

constexpr std::int64_t frames_per_second = 60;
// A wait is a sleep or two; a clock that does not move never holds a frame
// for good.
constexpr int max_sleeps = 4;

// When the n-th tick after the grid's start falls, without overflowing for
// any run length or counter rate.
std::int64_t tick(std::int64_t n, std::int64_t rate) {
    return display.pace_base + n / frames_per_second * rate + n % frames_per_second * rate / frames_per_second;
}

}  // namespace

void pace_frame() {
    LARGE_INTEGER rate{}, now{};
    if (!QueryPerformanceFrequency(&rate) || rate.QuadPart <= 0 || !QueryPerformanceCounter(&now)) return;
    // Sleeps keep to the system timer; its default step on Windows is 15.6 ms.
    if (display.timer_period_held == 0 && timeBeginPeriod(1) == TIMERR_NOERROR) display.timer_period_held = 1;
    if (display.pace_frames < 0) {
        display.pace_base = now.QuadPart;
        display.pace_frames = 0;
    } else {
        ++display.pace_frames;
        // So late that the next tick has gone by too: the grid starts again
        // here, rather than the next frames running back to back to catch up.
        if (now.QuadPart >= tick(display.pace_frames + 1, rate.QuadPart)) {
            display.pace_base = now.QuadPart;
            display.pace_frames = 0;
        }
    }
    const std::int64_t deadline = tick(display.pace_frames + 1, rate.QuadPart);
    const std::int64_t period_ms = 1000 / frames_per_second + 1;
    for (int sleeps = 0; sleeps < max_sleeps && now.QuadPart < deadline; ++sleeps) {
        // Whole milliseconds rounded up: the frame is never let go early.
        const std::int64_t left = deadline - now.QuadPart;
        const std::int64_t ms = std::min((left * 1000 + rate.QuadPart - 1) / rate.QuadPart, period_ms);
        Sleep(static_cast<DWORD>(ms));
        if (!QueryPerformanceCounter(&now)) break;
    }
}

void end_pacing() {
    if (display.timer_period_held != 0) timeEndPeriod(1);
    display.timer_period_held = 0;
    display.pace_frames = -1;
    display.pace_base = 0;
}
