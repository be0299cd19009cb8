// The painted pictures: one palette on entries 10 to 245, index 0 wherever a
// sheet is transparent, and nothing outside the frame rectangles.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../support/gfx_fixture.h"
#include "app/frame_tables.h"

namespace {

struct Area {
    int left, right, top, bottom;
};

class ArtTest : public GfxTest {
protected:
    static void SetUpTestSuite() {
        // Tests of this suite may run at once in several processes: each paints its own.
        directory_ = temp_path("art_test");
        const std::string command = std::string(NIGHTWICK_ART) + " " + directory_.string();
        painted_ = std::system(command.c_str()) == 0;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(directory_); }
    void SetUp() override {
        GfxTest::SetUp();
        ASSERT_TRUE(painted_);
        setup_display(8);
        sheet_ = gfx_create_buffer(640, 480);
        gfx_select_buffer(sheet_);
    }
    // Loads a picture and checks every index: inside `areas`, 0 or a
    // picture colour; outside them, 0.
    void check(const char* name, const std::vector<Area>& areas) {
        Locked().fill(0);
        ASSERT_EQ(gfx_load_pcx((directory_ / name).c_str(), PCX_KEEP_PALETTE), 0) << name;
        Locked locked;
        int drawn = 0;
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 320; ++x) {
                const std::uint32_t index = locked.get(x, y);
                bool inside = false;
                for (const Area& a : areas)
                    inside = inside || (x >= a.left && x <= a.right && y >= a.top && y <= a.bottom);
                if (!inside) {
                    ASSERT_EQ(index, 0u) << name << " at " << x << "," << y;
                }
                if (index != 0) {
                    ASSERT_GE(index, 10u) << name;
                    ASSERT_LE(index, 245u) << name;
                    ++drawn;
                }
            }
        }
        EXPECT_GT(drawn, 500) << name;
    }
    static std::vector<Area> areas(const FrameTable* frames, int first, int last) {
        std::vector<Area> result;
        for (int i = first; i <= last; ++i)
            result.push_back({frames[i].left, frames[i].right, frames[i].top, frames[i].bottom});
        return result;
    }
    static inline std::filesystem::path directory_;
    static inline bool painted_ = false;
    BufferHandle sheet_ = -1;
};

TEST_F(ArtTest, EachSheetKeepsToItsFrameRectangles) {
    check("Mosquito.pcx", areas(fly_frames, 0, 7));
    check("Mfall.pcx", areas(fall_frames, 0, 3));
    check("Mturn.pcx", areas(turn_frames, 0, 3));
    check("Mzap.pcx", areas(zap_frames, 0, 2));
    check("Mzapa.pcx", areas(zap_frames, 3, 3));
    check("Lamp.pcx", {{lamp_sheet_x, lamp_sheet_x + 110, lamp_sheet_y - 159, lamp_sheet_y}});
    check("Rail.pcx", {{rail_sheet_x, rail_sheet_x + 236, rail_sheet_y - 139, rail_sheet_y}});
}

TEST_F(ArtTest, TheBackgroundFillsTheScreenWithItsOwnPalette) {
    ASSERT_EQ(gfx_load_pcx((directory_ / "VeskBack.pcx").c_str(), PCX_NO_COLOR_REDUCTION), 0);
    Locked locked;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint32_t index = locked.get(x, y);
            ASSERT_GE(index, 10u);
            ASSERT_LE(index, 245u);
        }
    }
    // Night: the sky is dark, the lit window bright.
    const PALETTEENTRY sky = master_palette.entries[locked.get(320, 250)];
    const PALETTEENTRY window = master_palette.entries[locked.get(530, 230)];
    EXPECT_LT(sky.peRed + sky.peGreen + sky.peBlue, 250);
    EXPECT_GT(window.peRed + window.peGreen, 350);
}

}  // namespace

// The icon as Windows reads it: one image per size, each where the
// directory says; bitmaps carry colour and mask (twice the height), the
// largest is a PNG.
TEST_F(ArtTest, TheIconHoldsEachSizeWhereItsDirectorySays) {
    std::ifstream in(directory_ / "nightwick.ico", std::ios::binary);
    const std::vector<std::uint8_t> ico((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&](std::size_t at) { return ico.at(at) | ico.at(at + 1) << 8; };
    auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16); };
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(u16(0), 0);
    EXPECT_EQ(u16(2), 1);
    const std::vector<int> sizes{16, 24, 32, 48, 64, 256};
    ASSERT_EQ(u16(4), static_cast<int>(sizes.size()));
    std::size_t end = 6 + 16 * sizes.size();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int size = sizes[i];
        EXPECT_EQ(ico[entry] == 0 ? 256 : ico[entry], size);
        const std::uint32_t length = u32(entry + 8), offset = u32(entry + 12);
        ASSERT_EQ(offset, end) << size;  // images follow each other, nothing between
        ASSERT_LE(offset + length, ico.size()) << size;
        end = offset + length;
        if (size <= 64) {
            EXPECT_EQ(u32(offset), 40u);
            EXPECT_EQ(u32(offset + 4), static_cast<std::uint32_t>(size));
            EXPECT_EQ(u32(offset + 8), static_cast<std::uint32_t>(2 * size));
            EXPECT_EQ(u16(offset + 14), 32);
            const std::uint32_t mask_row = (size + 31) / 32 * 4;
            EXPECT_EQ(length, 40 + 4u * size * size + mask_row * size);
            // The middle is painted solid.
            const std::size_t middle = offset + 40 + 4 * (static_cast<std::size_t>(size / 2) * size + size / 2);
            EXPECT_EQ(ico[middle + 3], 255) << size;
        } else {
            EXPECT_EQ(u32(offset), 0x474E5089u);  // "\x89PNG"
        }
    }
    EXPECT_EQ(end, ico.size());
}
