// The whole program, run headless through WinMain with scripted input.
#include <map>

#include "../support/app_fixture.h"
#include "../support/fnv1a.h"
#include "../support/frame_invariant.h"
#include "../support/test_pictures.h"

namespace {

using test_pictures::background_at;

struct Recording {
    std::vector<std::vector<std::uint8_t>> pages;  // the first few pages shown
    std::vector<std::string> strays;               // where each of them strays from the background
    std::vector<std::uint32_t> checksums;          // of every page shown
    std::map<int, std::uint32_t> seeds;            // random state at each present
};

class ProgramTest : public AppTest {
protected:
    // The program makes its own window: nothing else is on the desktop.
    void SetUp() override {
        AppTest::SetUp();
        platform::reset();
    }
    int run(int esc_at) {
        platform::HeadlessHost* host = platform::headless_host();
        host->key_at(esc_at, VK_ESCAPE);
        host->on_present(
            [](const platform::HeadlessHost& shown, void* context) {
                auto* recording = static_cast<Recording*>(context);
                if (recording->pages.size() < 4) {
                    recording->pages.push_back(shown.page());
                    recording->strays.push_back(stray(shown.page()));
                }
                recording->checksums.push_back(fnv1a(shown.page()));
                recording->seeds[shown.frames()] = random_seed;
            },
            &recording_);
        char command_line[] = "";
        return WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    }
    // Where the page first strays from the background away from the lamp,
    // the rail and the live insects; empty where it does not.
    static std::string stray(const std::vector<std::uint8_t>& page) {
        std::vector<std::uint8_t> background(page.size());
        for (int y = 0; y < scene::height; ++y) {
            for (int x = 0; x < scene::width; ++x) background[y * scene::width + x] = background_at(x, y);
        }
        std::string where;
        return off_background(page, background, where) ? where : "";
    }
    Recording recording_;
};

TEST_F(ProgramTest, RunsAThousandFramesAndQuitsOnEscape) {
    test_pictures::write_all();
    EXPECT_EQ(run(1100), 0);
    EXPECT_EQ(recording_.checksums.size(), 1100u);  // the start-up flip and 1,099 frames
    EXPECT_TRUE(platform::message_boxes().empty());
    // Both pages start with the background (lamp and rail come with the first frame).
    ASSERT_GE(recording_.pages.size(), 2u);
    EXPECT_EQ(recording_.strays[0], "");
    EXPECT_EQ(recording_.pages[0][200 * 640 + 300], background_at(300, 200));
    EXPECT_EQ(recording_.strays[1], "");
    EXPECT_EQ(recording_.pages[1][10 * 640 + 270], test_pictures::lamp_index);
    EXPECT_EQ(recording_.pages[1][10 * 640 + 360], background_at(360, 10));  // the lamp's transparent half
    EXPECT_EQ(recording_.pages[1][470 * 640 + 300], test_pictures::rail_index);
    // Everything is given back.
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::misuse_count(), 0);
    EXPECT_EQ(platform::window_count(), 0u);
    EXPECT_EQ(platform::gdi_object_count(), 0u);
}

TEST_F(ProgramTest, TheCursorIsHiddenOnceAndShownOnce) {
    test_pictures::write_all();
    EXPECT_EQ(run(5), 0);
    auto shows = platform::calls_named("ShowCursor");
    ASSERT_EQ(shows.size(), 2u);
    EXPECT_EQ(shows[0].args[0], "0");
    EXPECT_EQ(shows[1].args[0], "1");
    EXPECT_EQ(platform::cursor_display_count(), 0);
}

TEST_F(ProgramTest, WithoutAMouseTheCursorIsNeverTouched) {
    test_pictures::write_all();
    platform::set_mouse_present(false);
    EXPECT_EQ(run(5), 0);
    EXPECT_TRUE(platform::calls_named("ShowCursor").empty());
}

TEST_F(ProgramTest, DeactivationStopsFramesAndReactivationRedrawsBothPages) {
    test_pictures::write_all();
    platform::HeadlessHost* host = platform::headless_host();
    host->activate_at(300, false);
    host->activate_at(300, true, 500);  // back after 500 empty polls
    EXPECT_EQ(run(400), 0);
    // No frame ran and the generator stood still while inactive.
    const std::uint32_t before = recording_.seeds.at(300);
    EXPECT_EQ(recording_.seeds.at(301), before);  // the re-activation's flip draws nothing
    EXPECT_EQ(recording_.checksums.size(), 400u);
    // While inactive the loop waits for the next message instead of polling.
    EXPECT_EQ(platform::calls_named("WaitMessage").size(), 1u);
    auto restores = platform::calls_named("IDirectDrawSurface7::Restore");
    EXPECT_GE(restores.size(), 2u);  // the primary and every buffer
    // The re-activation flip shows the reloaded background, not scrambled
    // memory: the background is opened at start-up by the reader and once
    // more to keep its bytes, then again at the re-activation.
    EXPECT_EQ(platform::calls_named("CreateFileA").size(), 3u + 7u);
}

TEST_F(ProgramTest, TheReactivatedPagesHoldTheBackground) {
    test_pictures::write_all();
    platform::HeadlessHost* host = platform::headless_host();
    host->activate_at(50, false);
    host->activate_at(50, true, 10);
    struct Pages {
        std::vector<std::uint8_t> at51, at52;
    } pages;
    host->on_present(
        [](const platform::HeadlessHost& shown, void* context) {
            auto* p = static_cast<Pages*>(context);
            if (shown.frames() == 51) p->at51 = shown.page();
            if (shown.frames() == 52) p->at52 = shown.page();
        },
        &pages);
    host->key_at(60, VK_F12);
    char command_line[] = "";
    EXPECT_EQ(WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL), 0);
    ASSERT_FALSE(pages.at51.empty());
    EXPECT_EQ(stray(pages.at51), "");
    EXPECT_EQ(stray(pages.at52), "");  // no insect yet before frame 63
}

TEST_F(ProgramTest, ASetUpFailureShowsOneBoxDrawsNothingAndExitsZero) {
    test_pictures::write_all();
    platform::fail_next("IDirectDraw7::SetDisplayMode", 2, DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(run(5), 0);
    ASSERT_EQ(platform::message_boxes().size(), 1u);
    EXPECT_EQ(platform::message_boxes()[0].text, "DirectDraw setup error.");
    EXPECT_EQ(platform::message_boxes()[0].caption, "Error");
    EXPECT_EQ(platform::message_boxes()[0].type, MB_ICONERROR);
    EXPECT_TRUE(recording_.checksums.empty());
    EXPECT_TRUE(platform::calls_named("ShowCursor").empty());
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(ProgramTest, AMissingPictureDoesNotStopTheProgram) {
    test_pictures::write_all();
    std::filesystem::remove("Mturn.pcx");
    std::filesystem::remove("VeskBack.pcx");
    EXPECT_EQ(run(700), 0);
    EXPECT_EQ(recording_.checksums.size(), 700u);
}

// Which allocation fails: the 9th is frame 4's record, the 10th its bitmap.
class SpriteAllocationTest : public ProgramTest, public ::testing::WithParamInterface<std::pair<int, const char*>> {};

int failing_allocation = 0;
int allocations = 0;

TEST_P(SpriteAllocationTest, IsReportedAndEndsTheProgram) {
    test_pictures::write_all();
    failing_allocation = GetParam().first;
    allocations = 0;
    sprite_allocate = [](std::size_t bytes) -> void* {
        return ++allocations == failing_allocation ? nullptr : std::malloc(bytes);
    };
    EXPECT_EQ(run(5), 0);
    sprite_allocate = &std::malloc;
    ASSERT_EQ(platform::message_boxes().size(), 1u);
    EXPECT_EQ(platform::message_boxes()[0].text, GetParam().second);
    EXPECT_EQ(platform::message_boxes()[0].caption, "Error");
    EXPECT_TRUE(recording_.checksums.empty());  // no frame ever ran
    EXPECT_EQ(platform::live_objects(), 0);
}

INSTANTIATE_TEST_SUITE_P(Allocations, SpriteAllocationTest,
                         ::testing::Values(std::pair{9, "cannot allocate sprites"},
                                           std::pair{10, "cannot allocate bitmaps"}));

TEST_F(ProgramTest, FramesAreTheSameOnEveryRun) {
    test_pictures::write_all();
    EXPECT_EQ(run(1000), 0);
    const std::vector<std::uint32_t> first = recording_.checksums;
    platform::reset();
    reset_layer_globals();
    reset_app_globals();
    recording_ = Recording{};
    EXPECT_EQ(run(1000), 0);
    EXPECT_EQ(recording_.checksums, first);
}

}  // namespace
