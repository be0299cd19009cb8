#include "../../support/gfx_fixture.h"

namespace {

class CaptureTest : public DepthTest {
protected:
    void SetUp() override {
        DepthTest::SetUp();
        setup_display(bits());
        gfx_select_buffer(0);
    }
};

TEST_P(CaptureTest, CapturesBottomRowFirstAndGivesBackWhatWasDrawn) {
    std::vector<std::uint8_t> drawn(64 * 78);
    for (std::size_t i = 0; i < drawn.size(); ++i) drawn[i] = static_cast<std::uint8_t>(1 + i % 250);
    gfx_move_to(5, 77);
    gfx_draw_transparent(drawn.data(), 64, 78);
    std::vector<std::uint8_t> captured(64 * 78, 0xEE);
    EXPECT_EQ(gfx_get_image(captured.data(), 64, 78), 0);
    EXPECT_EQ(captured, drawn);
    Locked locked;
    EXPECT_EQ(locked.get(5, 77), native(drawn[0]));             // block row 0 is buffer row 77
    EXPECT_EQ(locked.get(68, 0), native(drawn[77 * 64 + 63]));  // the last block row is row 0
}

TEST_P(CaptureTest, ARectangleReachingOutsideStoresZerosThere) {
    {
        Locked locked;
        locked.fill(native(3));
    }
    std::vector<std::uint8_t> block(10 * 4, 0xEE);
    gfx_move_to(635, 1);  // columns 635 to 644, rows -2 to 1
    gfx_get_image(block.data(), 10, 4);
    for (int r = 0; r < 4; ++r) {
        for (int k = 0; k < 10; ++k) {
            const bool inside = k < 5 && r < 2;
            ASSERT_EQ(block[r * 10 + k], inside ? 3 : 0) << r << "," << k;
        }
    }
    gfx_move_to(-3, 479);
    std::vector<std::uint8_t> left(5, 0xEE);
    gfx_get_image(left.data(), 5, 1);
    EXPECT_EQ(left, (std::vector<std::uint8_t>{0, 0, 0, 3, 3}));
}

INSTANTIATE_TEST_SUITE_P(Depths, CaptureTest, every_depth);

class CaptureMatchTest : public GfxTest {};

TEST_F(CaptureMatchTest, RowsAreNotWidenedAndNothingBeyondTheBlockIsWritten) {
    setup_display();
    gfx_select_buffer(0);
    std::uint8_t block[5] = {9, 9, 9, 9, 9};
    gfx_move_to(0, 0);
    gfx_get_image(block, 3, 1);
    EXPECT_EQ(block[3], 9);
    gfx_get_image(block, 0, 1);
    gfx_get_image(block, 2, -1);
    EXPECT_EQ(block[3], 9);
}

TEST_F(CaptureMatchTest, DeepPixelsMatchTheLowestIndexAndAlphaBytesMatchNothing) {
    setup_display(16);
    gfx_select_buffer(0);
    color_lookup.rgb16.fill(0x1234);
    color_lookup.rgb16[0] = 0;
    color_lookup.rgb16[12] = 0xBEEF;
    color_lookup.rgb16[200] = 0xBEEF;
    {
        Locked locked;
        locked.set(0, 0, 0xBEEF);
        locked.set(1, 0, 0x4321);
    }
    std::uint8_t block[2];
    gfx_move_to(0, 0);
    gfx_get_image(block, 2, 1);
    EXPECT_EQ(block[0], 12);
    EXPECT_EQ(block[1], 0);  // no entry holds it

    gfx_request_mode(640, 480, 32, GFX_MODE_FLIP);
    restart();
    setup_display(32);
    gfx_select_buffer(0);
    color_lookup.rgb32[7] = {0, 0x11, 0x22, 0x33};
    {
        Locked locked;
        locked.set(0, 0, 0x00112233);
        locked.set(1, 0, 0xFF112233);
    }
    gfx_get_image(block, 2, 1);
    EXPECT_EQ(block[0], 7);
    EXPECT_EQ(block[1], 0);
}

TEST_F(CaptureMatchTest, WithoutAnActiveBufferTheBlockKeepsItsContents) {
    setup_display();
    std::uint8_t block[4] = {1, 2, 3, 4};
    EXPECT_EQ(gfx_get_image(block, 2, 2), 0);
    EXPECT_EQ(block[3], 4);
}

}  // namespace
