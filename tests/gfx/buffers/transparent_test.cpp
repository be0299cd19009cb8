#include <array>
#include <initializer_list>
#include <numeric>

#include "../../support/gfx_fixture.h"

namespace {

// Drawing tests run at every buffer depth: the background is index 1 and
// expectations are palette indices turned into the depth's native pixels.
class TransparentTest : public DepthTest {
protected:
    void SetUp() override {
        DepthTest::SetUp();
        setup_display(bits());
        gfx_select_buffer(0);
        Locked().fill(native(1));
    }
    // A w x h bitmap whose byte for column k of row r is 10 + r * w + k
    // (never 0), bottom row first.
    static std::vector<std::uint8_t> numbered(int w, int h) {
        std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(w * h));
        for (int i = 0; i < w * h; ++i) bitmap[i] = static_cast<std::uint8_t>(10 + i % 200);
        return bitmap;
    }
    static std::uint8_t numbered_at(int w, int r, int k) { return static_cast<std::uint8_t>(10 + (r * w + k) % 200); }
    // Each buffer pixel {x, y, r, k} holds column k of row r of a numbered
    // bitmap w wide.
    static void expect_numbered(int w, std::initializer_list<std::array<int, 4>> pixels) {
        Locked locked;
        for (const auto& [x, y, r, k] : pixels) {
            EXPECT_EQ(locked.get(x, y), native(numbered_at(w, r, k))) << "at " << x << ", " << y;
        }
    }
    // Which buffer pixels differ from the background.
    static int changed() {
        Locked locked;
        int count = 0;
        for (int y = 0; y < active_buffer.height; ++y) {
            for (int x = 0; x < active_buffer.width; ++x) count += locked.get(x, y) != native(1);
        }
        return count;
    }
};

TEST_P(TransparentTest, IndexZeroLeavesTheBufferAlone) {
    const std::uint8_t row[4] = {0, 7, 0, 9};
    gfx_move_to(10, 20);
    EXPECT_EQ(gfx_draw_transparent(row, 4, 1), 0);
    Locked locked;
    EXPECT_EQ(locked.get(10, 20), native(1));
    EXPECT_EQ(locked.get(11, 20), native(7));
    EXPECT_EQ(locked.get(12, 20), native(1));
    EXPECT_EQ(locked.get(13, 20), native(9));
}

TEST_P(TransparentTest, ClipsAtTheLeftAndMirrorsColumnOrder) {
    const auto bitmap = numbered(30, 5);
    gfx_move_to(-10, 100);
    gfx_draw_transparent(bitmap.data(), 30, 5);
    {
        Locked locked;
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 20; ++c) ASSERT_EQ(locked.get(c, 100 - r), native(numbered_at(30, r, c + 10)));
        }
        EXPECT_EQ(locked.get(20, 100), native(1));
    }
    EXPECT_EQ(changed(), 100);
    gfx_draw_transparent_mirrored(bitmap.data(), 30, 5);
    Locked locked;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 20; ++c) ASSERT_EQ(locked.get(c, 100 - r), native(numbered_at(30, r, 19 - c)));
    }
}

TEST_P(TransparentTest, ClipsAtTheRightAndMirrorsFromTheLastColumn) {
    const auto bitmap = numbered(60, 1);
    gfx_move_to(600, 100);
    gfx_draw_transparent(bitmap.data(), 60, 1);
    EXPECT_EQ(changed(), 40);
    gfx_draw_transparent_mirrored(bitmap.data(), 60, 1);
    expect_numbered(60, {{600, 100, 0, 59}, {639, 100, 0, 20}});
}

TEST_P(TransparentTest, ClipsAtTheBottomAndTop) {
    const auto bitmap = numbered(3, 20);
    gfx_move_to(0, 485);
    gfx_draw_transparent(bitmap.data(), 3, 20);
    expect_numbered(3, {{0, 479, 6, 0}, {2, 466, 19, 2}});
    EXPECT_EQ(changed(), 14 * 3);
    Locked().fill(native(1));
    gfx_move_to(0, 5);
    gfx_draw_transparent_mirrored(bitmap.data(), 3, 20);
    expect_numbered(3, {{0, 5, 0, 2}, {0, 0, 5, 2}});
    EXPECT_EQ(changed(), 6 * 3);
}

TEST_P(TransparentTest, ImagesWhollyOutsideDrawNothingAndBalanceTheLock) {
    const auto bitmap = numbered(20, 20);
    const std::pair<int, int> outside[] = {{0, -1}, {640, 10}, {-20, 10}, {0, 500}};
    for (auto [x, y] : outside) {
        gfx_move_to(x, y);
        EXPECT_EQ(gfx_draw_transparent(bitmap.data(), 20, 20), 0);
        EXPECT_EQ(gfx_draw_transparent_mirrored(bitmap.data(), 20, 20), 0);
        EXPECT_EQ(gfx_draw_transparent_unclipped(bitmap.data(), 20, 20), 0);
    }
    gfx_move_to(0x7FFFFFF0, 0x7FFFFFF0);
    gfx_draw_transparent(bitmap.data(), 0x7FFFFFFF, 0x7FFFFFFF);
    gfx_move_to(10, 10);
    gfx_draw_transparent(bitmap.data(), 0, 5);
    gfx_draw_transparent(bitmap.data(), -3, 5);
    EXPECT_EQ(display.lock_count, 0);
    EXPECT_EQ(changed(), 0);
}

TEST_P(TransparentTest, UnclippedDrawsTheSameAsClippedInsideAndOutside) {
    const auto bitmap = numbered(111, 160);
    gfx_move_to(260, 159);
    gfx_draw_transparent_unclipped(bitmap.data(), 111, 160);
    std::vector<std::uint32_t> unclipped;
    {
        Locked locked;
        for (int y = 0; y < 480; y += 7) {
            for (int x = 0; x < 640; x += 3) unclipped.push_back(locked.get(x, y));
        }
    }
    Locked().fill(native(1));
    gfx_draw_transparent(bitmap.data(), 111, 160);
    {
        Locked locked;
        std::size_t i = 0;
        for (int y = 0; y < 480; y += 7) {
            for (int x = 0; x < 640; x += 3) ASSERT_EQ(locked.get(x, y), unclipped[i++]);
        }
    }
    // Reaching outside: drawn exactly as the clipped draw would.
    Locked().fill(native(1));
    gfx_move_to(600, 10);
    gfx_draw_transparent_unclipped(bitmap.data(), 111, 160);
    EXPECT_EQ(changed(), 40 * 11);
}

TEST_P(TransparentTest, TheDrawPositionIsNotMoved) {
    const std::uint8_t pixel = 5;
    gfx_move_to(3, 4);
    gfx_draw_transparent(&pixel, 1, 1);
    EXPECT_EQ(draw_position.x, 3);
    EXPECT_EQ(draw_position.y, 4);
}

INSTANTIATE_TEST_SUITE_P(Depths, TransparentTest, every_depth);

class TransparentBytesTest : public GfxTest {};

TEST_F(TransparentBytesTest, NothingIsDrawnWithoutAnActiveBufferOrWhenTheLockFails) {
    setup_display();
    const std::uint8_t pixel = 5;
    gfx_move_to(0, 0);
    EXPECT_EQ(gfx_draw_transparent(&pixel, 1, 1), 0);  // no buffer selected yet
    gfx_select_buffer(0);
    platform::fail_next("IDirectDrawSurface7::Lock", 1, DDERR_SURFACEBUSY);
    platform::clear_calls();
    EXPECT_EQ(gfx_draw_transparent(&pixel, 1, 1), 0);
    EXPECT_EQ(display.lock_count, 0);
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::Unlock").empty());  // nothing was granted
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 0u);
}

}  // namespace
