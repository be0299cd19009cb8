#include "platform/windows/monitors.h"

#include <gtest/gtest.h>

namespace {

using nightwick::MonitorArea;

// Wine shows one monitor, so the screensaver's placement is checked here on
// the layouts real desks have.
TEST(MonitorPlanTest, TheSceneTakesThePrimaryMonitorAndEveryOtherGoesBlack) {
    const MonitorArea laptop{0, 0, 1920, 1080, true};
    const MonitorArea left{-2560, -360, 0, 1080, false};  // a wider one left of the primary
    const MonitorArea above{0, -1200, 1600, 0, false};
    struct Case {
        std::vector<MonitorArea> monitors;
        MonitorArea scene;
        std::vector<MonitorArea> black;
    } cases[] = {
        {{laptop}, laptop, {}},
        {{left, laptop}, laptop, {left}},
        {{above, left, laptop}, laptop, {above, left}},
        // A list that names no primary keeps the scene on the first monitor.
        {{{0, 0, 800, 600, false}, {800, 0, 1600, 600, false}}, {0, 0, 800, 600, false}, {{800, 0, 1600, 600, false}}},
    };
    for (const Case& c : cases) {
        const nightwick::MonitorPlan plan = nightwick::plan_monitors(c.monitors);
        EXPECT_EQ(plan.scene, c.scene);
        EXPECT_EQ(plan.black, c.black);
    }
}

}  // namespace
