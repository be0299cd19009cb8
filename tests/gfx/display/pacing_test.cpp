// Frame pacing on the headless host's virtual clock: every flip is held to
// the next tick of a 60 Hz grid, a late frame starts the grid again instead
// of a burst, and the timer resolution is held from the first flip to
// shutdown.
#include <map>

#include "../../support/gfx_fixture.h"

namespace {

constexpr std::int64_t second = 1'000'000'000;
constexpr std::int64_t millisecond = 1'000'000;

class PacingTest : public GfxTest {
protected:
    struct Shown {
        std::vector<std::int64_t> at;      // virtual time of every present
        std::map<int, std::int64_t> work;  // extra time frame n takes after it is shown
    };
    void SetUp() override {
        GfxTest::SetUp();
        setup_display(8);
        platform::headless_host()->on_present(
            [](const platform::HeadlessHost& host, void* context) {
                auto* shown = static_cast<Shown*>(context);
                shown->at.push_back(static_cast<std::int64_t>(host.clock_ns()));
                if (auto work = shown->work.find(host.frames()); work != shown->work.end()) {
                    platform::headless_host()->advance_clock(static_cast<std::uint64_t>(work->second));
                }
            },
            &shown_);
    }
    // When tick n of a grid started at `start` falls.
    static std::int64_t tick(std::int64_t start, std::int64_t n) { return start + n * second / 60; }
    Shown shown_;
};

TEST_F(PacingTest, FlipsThatReturnAtOnceAreHeldToEveryTick) {
    for (int i = 0; i < 600; ++i) gfx_flip();
    ASSERT_EQ(shown_.at.size(), 600u);
    for (std::size_t n = 0; n < shown_.at.size(); ++n) {
        // Never early, and never more than the millisecond a sleep rounds up
        // to late: the deadlines are absolute, so lateness never adds up.
        EXPECT_GE(shown_.at[n], tick(shown_.at[0], n)) << n;
        EXPECT_LT(shown_.at[n], tick(shown_.at[0], n) + millisecond) << n;
    }
    EXPECT_EQ(platform::timer_periods_held(), 1);
    gfx_shutdown();
    EXPECT_EQ(platform::timer_periods_held(), 0);
    EXPECT_EQ(platform::calls_named("timeBeginPeriod").size(), 1u);
    EXPECT_EQ(platform::calls_named("timeEndPeriod").size(), 1u);
}

TEST_F(PacingTest, ALateFrameStartsTheGridAgainWithoutABurst) {
    const std::int64_t work = 3 * second / 60 + 5 * millisecond;
    shown_.work[10] = work;          // after the 10th page, over three ticks go by
    shown_.work[20] = second / 120;  // after the 20th, half a tick: the grid holds
    for (int i = 0; i < 40; ++i) gfx_flip();
    // The grid starts again where the late frame let go, and every frame
    // after it waits a whole tick of the new grid: none runs to catch up.
    const std::int64_t start = shown_.at[9] + work;
    for (std::size_t n = 10; n < shown_.at.size(); ++n) {
        EXPECT_GE(shown_.at[n], tick(start, static_cast<std::int64_t>(n) - 9)) << n;
        EXPECT_LT(shown_.at[n], tick(start, static_cast<std::int64_t>(n) - 9) + millisecond) << n;
    }
}

TEST_F(PacingTest, AClockThatStandsStillOrASleepThatFailsNeverHoldsAFlip) {
    platform::fail_next("Sleep", 1000, 0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(gfx_flip(), 0);
    EXPECT_EQ(shown_.at.size(), 5u);
    platform::fail_next("QueryPerformanceCounter", 10, FALSE);
    EXPECT_EQ(gfx_flip(), 0);
    EXPECT_LE(platform::calls_named("Sleep").size(), 5u * 4u);
}

TEST_F(PacingTest, NoDisplayNoWait) {
    gfx_shutdown();
    reset_layer_globals();
    platform::clear_calls();
    EXPECT_EQ(gfx_flip(), DDERR_NOTFLIPPABLE);
    EXPECT_TRUE(platform::calls_named("Sleep").empty());
}

}  // namespace
