#include "timer_resolution.h"

namespace platform {

bool TimerResolution::begin(unsigned period) {
    if (period == 0) return false;
    if (requests_++ == 0) period_ = period;
    update();
    return true;
}

bool TimerResolution::end(unsigned period) {
    if (period == 0 || requests_ == 0) return false;
    --requests_;
    update();
    return true;
}

void TimerResolution::allow(bool allowed) {
    allowed_ = allowed;
    update();
}

void TimerResolution::update() {
    const bool wanted = allowed_ && requests_ > 0;
    if (wanted == taken_) return;
    // A system that refuses leaves it as it was; the next change tries again.
    if (change_(period_, wanted)) taken_ = wanted;
}

}  // namespace platform
