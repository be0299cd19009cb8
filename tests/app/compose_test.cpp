#include "app/compose.h"

#include "../support/app_fixture.h"
#include "../support/test_pictures.h"
#include "app/frame_tables.h"

namespace {

using test_pictures::background_at;

class ComposeTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        test_pictures::write_all();
        start_display();
        gfx_select_buffer(background_buffer);
        gfx_load_pcx("VeskBack.pcx", PCX_NO_COLOR_REDUCTION);
        gfx_select_buffer(screen_buffer);
        gfx_copy_buffer(background_buffer, screen_buffer);
    }
    Insect* insect_at(int x, int y, int depth, int facing) {
        spawn_insect();
        Insect* insect = insect_tail;
        insect->x = x;
        insect->y = y;
        insect->depth = depth;
        insect->facing = facing;
        insect->sprite = fly_set[0];  // 64 x 78, offsets 0, 0
        return insect;
    }
    static std::uint8_t at(int x, int y) { return static_cast<std::uint8_t>(Locked().get(x, y)); }
    static std::vector<std::string> blits() {
        std::vector<std::string> rects;
        for (const auto& call : platform::calls_named("IDirectDrawSurface7::BltFast")) {
            rects.push_back(call.args[1] + "," + call.args[2] + ":" + call.args[4]);
        }
        return rects;
    }
};

TEST_F(ComposeTest, ASpawnFramesRestoreCopiesTheSinglePixelAtTheOrigin) {
    Insect* insect = insect_at(100, 100, 0, 0);
    platform::clear_calls();
    restore_background(insect);
    EXPECT_EQ(blits(), std::vector<std::string>{"0,0:0,0,1,1"});
}

TEST_F(ComposeTest, TheUnionOfTwoBoxesIsClampedToTheScreen) {
    Insect* insect = insect_at(0, 0, 0, 0);
    insect->box = Box{-30, 40, -10, 50};
    insect->last_box = Box{600, 700, 400, 500};
    platform::clear_calls();
    restore_background(insect);
    EXPECT_EQ(blits(), std::vector<std::string>{"0,0:0,0,640,480"});
    EXPECT_EQ(insect->last_box.left, -30);
    // Both boxes wholly right of the screen: nothing is copied.
    insect->box = Box{700, 764, 100, 178};
    insect->last_box = Box{704, 768, 100, 178};
    platform::clear_calls();
    restore_background(insect);
    EXPECT_TRUE(blits().empty());
}

TEST_F(ComposeTest, RestoringPutsTheBackgroundBackUnderTheLastTwoDraws) {
    Insect* insect = insect_at(200, 300, 0, 0);
    draw_insect(insect);
    EXPECT_EQ(at(210, 290), test_pictures::fly_index);
    restore_background(insect);  // covers the draw (and, this first time, the origin)
    restore_background(insect);
    EXPECT_EQ(at(210, 290), background_at(210, 290));
    EXPECT_EQ(at(200, 300), background_at(200, 300));
}

TEST_F(ComposeTest, InsectsFacingRightAreMirroredLeftOfTheirAnchor) {
    Insect* insect = insect_at(300, 200, 0, 1);
    insect->sprite = fly_set[1];  // 77 x 41, offsets -5, 2
    draw_insect(insect);
    EXPECT_EQ(insect->box.left, 300 - 77 + 5);
    EXPECT_EQ(insect->box.right, 300 + 5);
    EXPECT_EQ(insect->box.bottom, 202);
    EXPECT_EQ(insect->box.top, 202 - 41);
    EXPECT_EQ(at(228, 202), test_pictures::fly_index);
    EXPECT_EQ(at(304, 162), test_pictures::fly_index);
    EXPECT_EQ(at(305, 202), background_at(305, 202));
    EXPECT_EQ(at(227, 202), background_at(227, 202));
}

TEST_F(ComposeTest, FarInsectsPassBehindTheLampNearOnesInFrontAllBehindTheRail) {
    // The lamp's solid half covers columns 260 to 314 of rows 0 to 159.
    insect_at(270, 100, -1, 0);  // rows 23 to 100, columns 270 to 333
    insect_at(270, 150, 0, 0);   // rows 73 to 150
    insect_at(250, 479, 1, 0);   // rows 402 to 479
    // They hold still, so the frame shows exactly these places.
    for (Insect* i = insect_head; i != nullptr; i = i->next) i->state = [](Insect*) {};
    run_frame();
    gfx_flip();                                          // the composed page back in buffer 0 for reading
    EXPECT_EQ(at(280, 60), test_pictures::lamp_index);   // far: hidden by the lamp
    EXPECT_EQ(at(330, 60), test_pictures::fly_index);    // far: seen where the lamp is open
    EXPECT_EQ(at(280, 130), test_pictures::fly_index);   // near: over the lamp
    EXPECT_EQ(at(260, 470), test_pictures::rail_index);  // under the rail
    EXPECT_EQ(at(250, 420), test_pictures::fly_index);   // above the rail's solid part
}

TEST_F(ComposeTest, LaterInsectsOfOneDepthGroupAreDrawnOnTop) {
    Insect* first = insect_at(100, 300, 0, 0);
    Insect* second = insect_at(120, 300, 0, 0);
    first->sprite = fly_set[0];
    second->sprite = turn_set[0];  // another index: the sheets differ
    draw_insect(first);
    draw_insect(second);
    // The second frame (100 x 40, x offset -18) starts at column 102.
    EXPECT_EQ(at(101, 280), test_pictures::fly_index);
    EXPECT_EQ(at(130, 280), test_pictures::other_index);
}

// Every frame, the lamp and the rail hold exactly their sheet's rectangle,
// bottom row first, with the table's size and offsets: the sheets carry a
// pattern that differs at every pixel nearby, so a shifted, mirrored or
// cut-short frame shows.
class CutFramesTest : public AppTest {};

TEST_F(CutFramesTest, EveryFrameIsItsSheetRectangle) {
    test_pictures::write_all(true);
    start_display();
    // The sheet's pixel at (x, y) of a rectangle painted with `index`.
    const auto sheet = [](int x, int y, std::uint8_t index) {
        return static_cast<std::uint8_t>(10 + (x * 7 + y * 3 + index) % 230);
    };
    const auto check = [&](const char* name, int n, const std::uint8_t* bitmap, int width, int height, int left,
                           int bottom, std::uint8_t index, bool (*inside)(int, int)) {
        for (int r = 0; r < height; ++r) {
            for (int k = 0; k < width; ++k) {
                const std::uint8_t want = inside(left + k, bottom - r) ? sheet(left + k, bottom - r, index) : 0;
                ASSERT_EQ(bitmap[r * width + k], want) << name << " " << n << ", column " << k << ", row " << r;
            }
        }
    };
    struct Set {
        const char* name;
        const SpriteFrame* const* frames;
        const FrameTable* table;
        int count;
        std::uint8_t index;
    };
    const Set sets[] = {{"fly", fly_set.data(), fly_frames, 8, test_pictures::fly_index},
                        {"fall", fall_set.data(), fall_frames, 4, test_pictures::other_index},
                        {"turn", turn_set.data(), turn_frames, 4, test_pictures::other_index},
                        {"zap", zap_set.data(), zap_frames, 4, test_pictures::other_index}};
    for (const Set& set : sets) {
        for (int n = 0; n < set.count; ++n) {
            const FrameTable& t = set.table[n];
            const SpriteFrame& frame = *set.frames[n];
            ASSERT_EQ(frame.width, t.right - t.left + 1) << set.name << " " << n;
            ASSERT_EQ(frame.height, t.bottom - t.top + 1) << set.name << " " << n;
            EXPECT_EQ(frame.x_offset, t.x_offset) << set.name << " " << n;
            EXPECT_EQ(frame.y_offset, t.y_offset) << set.name << " " << n;
            check(set.name, n, frame.bitmap, frame.width, frame.height, t.left, t.bottom, set.index,
                  [](int, int) { return true; });
        }
    }
    // The lamp sheet is painted in columns 12 to 66 only, the rail in rows 160 to 199.
    check("lamp", 0, lamp_image, lamp_width, lamp_height, lamp_sheet_x, lamp_sheet_y, test_pictures::lamp_index,
          [](int x, int) { return x >= 12 && x <= 66; });
    check("rail", 0, rail_image, rail_width, rail_height, rail_sheet_x, rail_sheet_y, test_pictures::rail_index,
          [](int, int y) { return y >= 160 && y <= 199; });
}

}  // namespace
