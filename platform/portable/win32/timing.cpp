// Time on the portable platform: KERNEL32's high-resolution counter and
// Sleep, read from the host's clock, and WINMM's timer resolution, which
// needs no setting here since sleeps keep to the microsecond, but is held
// and given back as Windows would see it.
#include "../control/call_log.h"
#include "../control/control.h"
#include "../control/host.h"
#include "../control/reset.h"
#include "../control/timer_resolution.h"

using namespace platform::detail;

namespace {

constexpr std::int64_t counts_per_second = 1'000'000'000;  // the counter counts nanoseconds

// The periods asked for and not yet given back, as Windows counts them.
bool resolution_change(unsigned, bool) { return true; }
platform::TimerResolution resolution(resolution_change);

const ResetHook reset_timing(ResetOrder::timing, [] { resolution = platform::TimerResolution(resolution_change); });

}  // namespace

int platform::timer_periods_held() { return resolution.requests(); }
void platform::allow_timer_resolution(bool allowed) { resolution.allow(allowed); }
bool platform::timer_resolution_taken() { return resolution.taken(); }

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
    if (auto failed = logged<BOOL>("QueryPerformanceCounter", {ptr(count)})) return *failed;
    if (count == nullptr) return FALSE;
    count->QuadPart = static_cast<std::int64_t>(platform::host().clock_ns());
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
    if (auto failed = logged<BOOL>("QueryPerformanceFrequency", {ptr(frequency)})) return *failed;
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = counts_per_second;
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
    if (logged<void>("Sleep", {num(milliseconds)})) return;
    platform::host().sleep(milliseconds);
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
    if (auto failed = logged<MMRESULT>("timeBeginPeriod", {num(period)})) return *failed;
    return resolution.begin(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
    if (auto failed = logged<MMRESULT>("timeEndPeriod", {num(period)})) return *failed;
    return resolution.end(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}
