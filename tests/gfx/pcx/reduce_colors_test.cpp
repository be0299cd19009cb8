#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <random>
#include <set>

#include "../../support/gfx_fixture.h"

namespace {

class ReduceColorsTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        setup_display(8);
        gfx_select_buffer(gfx_create_buffer(8, 4));
    }
    // Paints the buffer's 32 pixels from a list, row by row.
    static void paint(const std::vector<std::uint8_t>& values) {
        Locked locked;
        for (int i = 0; i < 32; ++i) locked.set(i % 8, i / 8, values[i % values.size()]);
    }
    static std::uint8_t pixel(int i) { return static_cast<std::uint8_t>(Locked().get(i % 8, i / 8)); }
    std::uint8_t rgb_[768] = {};
    void colour(int index, int r, int g, int b) {
        rgb_[3 * index] = static_cast<std::uint8_t>(r);
        rgb_[3 * index + 1] = static_cast<std::uint8_t>(g);
        rgb_[3 * index + 2] = static_cast<std::uint8_t>(b);
    }
};

TEST_F(ReduceColorsTest, FewColoursAreOnlyPackedOntoTheRange) {
    for (int i = 0; i < 256; ++i) colour(i, i, 1, 2);
    paint({5, 7, 200, 7});
    EXPECT_EQ(gfx_reduce_colors(10, 236, rgb_), 0);
    EXPECT_EQ(pixel(0), 10);
    EXPECT_EQ(pixel(1), 11);
    EXPECT_EQ(pixel(2), 12);
    EXPECT_EQ(rgb_[30], 5);
    EXPECT_EQ(rgb_[33], 7);
    EXPECT_EQ(rgb_[36], 200);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(rgb_[i], 0);
    for (int i = 3 * 246; i < 768; ++i) EXPECT_EQ(rgb_[i], 0);
}

TEST_F(ReduceColorsTest, TheClosestPairMergesIntoTheCommonerColour) {
    colour(1, 0, 0, 0);
    colour(2, 100, 100, 100);
    colour(3, 102, 100, 100);  // closest to 2
    colour(4, 255, 255, 255);
    paint({1, 2, 2, 3, 4, 1, 2, 4});  // counts: 1 x8, 2 x12, 3 x4, 4 x8
    gfx_reduce_colors(0, 3, rgb_);
    EXPECT_EQ(pixel(3), 1);  // 3 went into 2, which is now index 1
    EXPECT_EQ(pixel(1), 1);
    EXPECT_EQ(pixel(0), 0);
    EXPECT_EQ(pixel(4), 2);
    EXPECT_EQ(rgb_[3], 100);  // the kept colour keeps its own triple
}

TEST_F(ReduceColorsTest, EqualDistancesPreferTheEarlierPairUnlessTheLaterIsRarer) {
    colour(1, 0, 0, 0);
    colour(2, 10, 0, 0);
    colour(3, 20, 0, 0);
    // (1, 2) and (2, 3) are both 100 apart; 3 is rarer than both of 1 and 2.
    paint({1, 1, 1, 2, 2, 2, 1, 3});  // counts: 1 x16, 2 x12, 3 x4
    gfx_reduce_colors(0, 2, rgb_);
    EXPECT_EQ(pixel(7), 1);  // 3 merged into 2
    EXPECT_EQ(pixel(0), 0);
    EXPECT_EQ(pixel(3), 1);
    // Without the rarer colour the first pair in scan order merges, and of
    // two equal counts the lower index goes.
    paint({1, 2, 3, 3});  // counts: 1 x8, 2 x8, 3 x16
    for (int i = 1; i <= 3; ++i) colour(i, 10 * (i - 1), 0, 0);
    gfx_reduce_colors(0, 2, rgb_);
    EXPECT_EQ(pixel(0), 0);  // 1 went into 2
    EXPECT_EQ(pixel(1), 0);
    EXPECT_EQ(pixel(2), 1);
}

TEST_F(ReduceColorsTest, MergedColoursFollowTheirSurvivorThroughCompaction) {
    for (int i = 0; i < 256; ++i) colour(i, i, i, i);
    std::vector<std::uint8_t> all(32);
    for (int i = 0; i < 32; ++i) all[i] = static_cast<std::uint8_t>(i * 8);
    paint(all);
    gfx_reduce_colors(0, 4, rgb_);
    std::set<int> values;
    for (int i = 0; i < 32; ++i) values.insert(pixel(i));
    EXPECT_EQ(values.size(), 4u);
    for (int value : values) EXPECT_LT(value, 4);
    for (int i = 1; i < 32; ++i) EXPECT_LE(pixel(i - 1), pixel(i));  // order kept
}

TEST_F(ReduceColorsTest, BadRangesAndDeepBuffersChangeNothing) {
    paint({5, 6});
    colour(5, 9, 9, 9);
    EXPECT_EQ(gfx_reduce_colors(10, 0, rgb_), 0);
    EXPECT_EQ(gfx_reduce_colors(10, 247, rgb_), 0);
    EXPECT_EQ(gfx_reduce_colors(-1, 10, rgb_), 0);
    EXPECT_EQ(pixel(0), 5);
    EXPECT_EQ(rgb_[15], 9);
    EXPECT_EQ(display.lock_count, 0);
    restart();
    setup_display(16);
    gfx_select_buffer(0);
    Locked().set(0, 0, 0x1234);
    EXPECT_EQ(gfx_reduce_colors(10, 236, rgb_), 0);
    EXPECT_EQ(Locked().get(0, 0), 0x1234u);
    EXPECT_EQ(display.lock_count, 0);
}

// The reduction against a plain model of its rules, on palettes built of a
// few levels and buffers of a few colours, so that equal distances and
// equal counts come up all the time: which pair merges, which colour of it
// survives, the compaction and the move onto `start`.
void model_reduction(std::vector<std::uint8_t>& pixels, std::uint8_t* rgb, int start, int count) {
    std::array<std::int64_t, 256> uses{};
    std::array<int, 256> map{};
    for (int i = 0; i < 256; ++i) map[i] = i;
    for (std::uint8_t p : pixels) ++uses[p];
    int n = static_cast<int>(std::count_if(uses.begin(), uses.end(), [](std::int64_t u) { return u != 0; }));
    for (; n > count; --n) {
        int bi = -1, bj = -1;
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (int i = 0; i < 255; ++i) {
            for (int j = i + 1; j < 256 && uses[i] != 0; ++j) {
                if (uses[j] == 0) continue;
                std::int64_t d = 0;
                for (int c = 0; c < 3; ++c) d += (rgb[3 * i + c] - rgb[3 * j + c]) * (rgb[3 * i + c] - rgb[3 * j + c]);
                if (d < best || (d == best && uses[j] < std::min(uses[bi], uses[bj]))) {
                    best = d;
                    bi = i;
                    bj = j;
                }
            }
        }
        const int removed = uses[bj] < uses[bi] ? bj : bi, kept = removed == bi ? bj : bi;
        for (int& m : map) m = m == removed ? kept : m;
        uses[kept] += uses[removed];
        uses[removed] = 0;
    }
    int next = 0;
    for (int i = 0; i < 256; ++i) {
        if (uses[i] == 0) continue;
        map[i] = next;
        std::copy_n(rgb + 3 * i, 3, rgb + 3 * next++);
    }
    for (int i = 0; i < 256; ++i) map[i] = uses[i] == 0 ? map[map[i]] : map[i];
    if (start != 0) {
        std::memmove(rgb + 3 * start, rgb, static_cast<std::size_t>(3 * count));
        std::fill(rgb, rgb + 3 * start, 0);
        std::fill(rgb + 3 * (start + count), rgb + 768, 0);
    }
    for (std::uint8_t& p : pixels) p = static_cast<std::uint8_t>(map[p] + start);
}

TEST_F(ReduceColorsTest, EveryReductionFollowsTheModel) {
    std::mt19937 chance(7);
    for (int round = 0; round < 300; ++round) {
        std::uint8_t rgb[768];
        for (auto& c : rgb) c = static_cast<std::uint8_t>(8 * (chance() % 3));
        std::vector<int> used(1 + chance() % 24);
        for (int& u : used) u = static_cast<int>(chance() % 256);
        std::vector<std::uint8_t> pixels(32);
        for (auto& p : pixels) p = static_cast<std::uint8_t>(used[chance() % used.size()]);
        paint(pixels);
        const int count = 1 + static_cast<int>(chance() % 16);
        const int start = chance() % 3 == 0 ? 0 : static_cast<int>(chance() % (256 - count));
        std::uint8_t want[768];
        std::copy_n(rgb, 768, want);
        model_reduction(pixels, want, start, count);
        gfx_reduce_colors(start, count, rgb);
        ASSERT_TRUE(std::equal(rgb, rgb + 768, want)) << "palette of round " << round;
        for (int i = 0; i < 32; ++i) ASSERT_EQ(pixel(i), pixels[i]) << "round " << round << ", pixel " << i;
    }
}

}  // namespace
