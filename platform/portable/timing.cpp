// Time on the portable platform: KERNEL32's high-resolution counter and
// Sleep, read from the host's clock, and WINMM's timer resolution, which
// needs no setting here since sleeps keep to the microsecond.
#include "control.h"
#include "host.h"
#include "internal.h"

using namespace platform::detail;

namespace {

constexpr std::int64_t counts_per_second = 1'000'000'000;  // the counter counts nanoseconds

// The periods asked for and not yet given back, as Windows counts them.
int timer_periods = 0;

}  // namespace

void platform::detail::reset_timing() { timer_periods = 0; }

int platform::timer_periods_held() { return timer_periods; }

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    std::int64_t forced;
    if (enter("QueryPerformanceCounter", {ptr(count)}, forced)) return forced_as<BOOL>(forced);
    if (count == nullptr) return FALSE;
    count->QuadPart = static_cast<std::int64_t>(platform::host().clock_ns());
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    std::int64_t forced;
    if (enter("QueryPerformanceFrequency", {ptr(frequency)}, forced)) return forced_as<BOOL>(forced);
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = counts_per_second;
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    std::int64_t forced;
    if (enter("Sleep", {num(milliseconds)}, forced)) return;
    platform::host().sleep(milliseconds);
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
    std::int64_t forced;
    if (enter("timeBeginPeriod", {num(period)}, forced)) return forced_as<MMRESULT>(forced);
    if (period == 0) return TIMERR_NOCANDO;
    ++timer_periods;
    return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
    std::int64_t forced;
    if (enter("timeEndPeriod", {num(period)}, forced)) return forced_as<MMRESULT>(forced);
    if (period == 0 || timer_periods == 0) return TIMERR_NOCANDO;
    --timer_periods;
    return TIMERR_NOERROR;
}
