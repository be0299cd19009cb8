// Where the screensaver shows what: the scene on the primary monitor, where
// the program's window is made to cover its monitor, and a black window on
// every other, so no desktop shows anywhere while it runs.
#pragma once

#include <vector>

namespace nightwick {

struct MonitorArea {
    long left = 0, top = 0, right = 0, bottom = 0;
    bool primary = false;
    bool operator==(const MonitorArea&) const = default;
};

struct MonitorPlan {
    MonitorArea scene;               // the primary monitor (the first, when none says so)
    std::vector<MonitorArea> black;  // every other monitor
};

inline MonitorPlan plan_monitors(const std::vector<MonitorArea>& monitors) {
    MonitorPlan plan;
    std::size_t scene = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (monitors[i].primary) {
            scene = i;
            break;
        }
    }
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        if (i == scene) {
            plan.scene = monitors[i];
        } else {
            plan.black.push_back(monitors[i]);
        }
    }
    return plan;
}

}  // namespace nightwick
