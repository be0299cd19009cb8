#include "../../support/gfx_fixture.h"

namespace {

class CopyTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        setup_display();
        source_ = gfx_create_buffer(640, 480);
        gfx_select_buffer(source_);
        Locked locked;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) locked.set(x, y, static_cast<std::uint8_t>((x * 3 + y * 7) % 251 + 1));
        }
    }
    static std::uint8_t pattern(int x, int y) { return static_cast<std::uint8_t>((x * 3 + y * 7) % 251 + 1); }
    static int nonzero_in(BufferHandle handle) {
        gfx_select_buffer(handle);
        Locked locked;
        int count = 0;
        for (int y = 0; y < active_buffer.height; ++y) {
            for (int x = 0; x < active_buffer.width; ++x) count += locked.get(x, y) != 0;
        }
        return count;
    }
    BufferHandle source_ = -1;
};

TEST_F(CopyTest, CopiesARectangleToItsLowerLeftCorner) {
    EXPECT_EQ(gfx_copy_rect(10, 19, 30, 39, 100, 200, source_, 0), 0);
    gfx_select_buffer(0);
    {
        Locked locked;
        EXPECT_EQ(locked.get(100, 191), pattern(10, 30));
        EXPECT_EQ(locked.get(109, 200), pattern(19, 39));
    }
    EXPECT_EQ(nonzero_in(0), 100);
}

TEST_F(CopyTest, ASinglePixelAndTheSamePlaceInAnotherBuffer) {
    gfx_copy_rect(7, 7, 9, 9, 7, 9, source_, 0);
    EXPECT_EQ(nonzero_in(0), 1);
    gfx_select_buffer(0);
    EXPECT_EQ(Locked().get(7, 9), pattern(7, 9));
}

TEST_F(CopyTest, RectanglesReachingOutsideAreClippedTogether) {
    // Source from column -5: the first five columns are dropped on both sides.
    gfx_copy_rect(-5, 4, 0, 0, 20, 0, source_, 0);
    gfx_select_buffer(0);
    {
        Locked locked;
        EXPECT_EQ(locked.get(24, 0), 0u);
        EXPECT_EQ(locked.get(25, 0), pattern(0, 0));
        EXPECT_EQ(locked.get(29, 0), pattern(4, 0));
    }
    EXPECT_EQ(nonzero_in(0), 5);
    // The destination reaches past the right and the top.
    gfx_copy_rect(0, 19, 0, 9, 630, 4, source_, 0);
    EXPECT_EQ(nonzero_in(0), 5 + 10 * 5);
    gfx_select_buffer(0);
    EXPECT_EQ(Locked().get(630, 0), pattern(0, 5));
}

TEST_F(CopyTest, InvertedBadAndMismatchedCopiesCopyNothing) {
    gfx_copy_rect(10, 5, 0, 0, 0, 0, source_, 0);
    gfx_copy_rect(0, 5, 10, 5, 0, 10, source_, 0);
    gfx_copy_rect(0, 5, 0, 5, 0, 5, -1, 0);
    gfx_copy_rect(0, 5, 0, 5, 0, 5, source_, 256);
    gfx_copy_rect(0, 5, 0, 5, 0, 5, 9, 0);
    gfx_copy_rect(0, 5, 0, 5, 700, 5, source_, 0);
    gfx_copy_buffer(source_, 256);
    gfx_copy_buffer(-3, 0);
    const BufferHandle short_buffer = gfx_create_buffer(640, 479);
    gfx_copy_buffer(source_, short_buffer);
    EXPECT_EQ(nonzero_in(0), 0);
    EXPECT_EQ(nonzero_in(short_buffer), 0);
}

TEST_F(CopyTest, WholeBuffersOfTheSameSizeCopyEveryPixel) {
    gfx_copy_buffer(source_, 0);
    gfx_select_buffer(0);
    Locked locked;
    for (int y = 0; y < 480; y += 13) {
        for (int x = 0; x < 640; x += 11) ASSERT_EQ(locked.get(x, y), pattern(x, y));
    }
    EXPECT_EQ(locked.get(639, 479), pattern(639, 479));
}

// A 16-bit buffer half as wide has rows of the same bytes: still no copy,
// by rectangle or whole.
TEST_F(CopyTest, BuffersOfDifferentDepthsAreNotMixed) {
    display.new_buffer_depth = 16;
    display.red_mask = 0xF800;
    display.green_mask = 0x07E0;
    display.blue_mask = 0x001F;
    platform::set_display_modes({{640, 480, 8}});
    const BufferHandle deep = gfx_create_buffer(320, 480);
    if (deep < 0) GTEST_SKIP() << "the display offers no 16-bit surfaces here";
    platform::clear_calls();
    gfx_copy_rect(0, 9, 0, 9, 0, 9, source_, deep);
    gfx_copy_buffer(source_, deep);
    gfx_copy_buffer(deep, source_);
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::BltFast").empty());
}

}  // namespace
