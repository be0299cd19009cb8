#include "frame_match.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// Pages as a headless run shows them: the empty scene (0xE) at the start,
// an insect flying through, the empty scene again once it has gone.
constexpr std::uint64_t empty = 0xE;
const std::vector<std::uint64_t> run = {empty, empty, 0x10, 0x11, 0x12, empty, 0x13};

TEST(FrameMatch, APageShownOnceNamesItsFrame) {
    EXPECT_EQ(match_frame(run, 0x10).frame(), 3);
    EXPECT_EQ(match_frame(run, 0x13).frame(), 7);  // the last frame too
    EXPECT_FALSE(match_frame(run, 0x13).ambiguous());
}

TEST(FrameMatch, APageThatRepeatsNamesNoFrame) {
    const FrameMatch match = match_frame(run, empty);
    EXPECT_EQ(match.frame(), 0);
    EXPECT_TRUE(match.ambiguous());
    // Not only neighbours: the page came back after others.
    EXPECT_EQ(match.frames, (std::vector<int>{1, 2, 6}));
}

TEST(FrameMatch, APageNeverShownNamesNoFrame) {
    const FrameMatch match = match_frame(run, 0x99);
    EXPECT_EQ(match.frame(), 0);
    EXPECT_FALSE(match.ambiguous());
    EXPECT_EQ(match_frame({}, empty).frame(), 0);
}

TEST(FrameMatch, ChecksumsTellPagesApartByEveryChannelAndPlace) {
    using Page = std::array<std::uint32_t, 4>;
    const Page page = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    EXPECT_EQ(page_checksum(page), page_checksum(Page{0x102030, 0x405060, 0x708090, 0xA0B0C0}));
    for (const std::uint32_t channel : {0x010000u, 0x000100u, 0x000001u}) {
        Page changed = page;
        changed[3] ^= channel;
        EXPECT_NE(page_checksum(page), page_checksum(changed)) << std::hex << channel;
    }
    EXPECT_NE(page_checksum(page), page_checksum(Page{0x405060, 0x102030, 0x708090, 0xA0B0C0}));
}

}  // namespace
