#include "../../../support/platform_fixture.h"
#include "platform/win32.h"

namespace {

class Gdi32Test : public PlatformTest {};

TEST_F(Gdi32Test, DesktopDepthComesFromBitsTimesPlanes) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES), 32);
    platform::set_desktop_depth(15);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 15);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 0);  // released: no longer a context
}

TEST_F(Gdi32Test, SystemPaletteHoldsTheTwentyStaticColoursOnAPaletteDesktopOnly) {
    HDC screen = GetDC(nullptr);
    PALETTEENTRY entries[10];
    // A deep desktop has no system palette: the call fails and writes nothing.
    platform::set_desktop_depth(32);
    entries[0].peRed = 0x77;
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 10, entries), 0u);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 0, nullptr), 0u);
    EXPECT_EQ(entries[0].peRed, 0x77);
    platform::set_desktop_depth(8);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 0, nullptr), 256u);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 10, entries), 10u);
    EXPECT_EQ(entries[1].peRed, 0x80);
    EXPECT_EQ(entries[9].peBlue, 0xF0);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 246, 10, entries), 10u);
    EXPECT_EQ(entries[0].peGreen, 0xFB);
    EXPECT_EQ(entries[9].peRed, 0xFF);
    EXPECT_EQ(GetSystemPaletteEntries(screen, 250, 10, entries), 6u);  // clipped at the end
    EXPECT_EQ(GetSystemPaletteEntries(nullptr, 0, 10, entries), 0u);
    ReleaseDC(nullptr, screen);
}

TEST_F(Gdi32Test, SelectPaletteReturnsThePreviousOneAndAnimateChangesReservedEntries) {
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } log{0x300, 256, {}};
    log.entries[20] = {1, 2, 3, PC_RESERVED};
    log.entries[21] = {4, 5, 6, 0};
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&log));
    ASSERT_NE(palette, nullptr);
    HDC dc = GetDC(nullptr);
    HPALETTE stock = SelectPalette(dc, palette, FALSE);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(SelectPalette(dc, palette, FALSE), palette);
    EXPECT_EQ(RealizePalette(dc), 256u);
    PALETTEENTRY change[2] = {{9, 9, 9, PC_RESERVED}, {8, 8, 8, PC_RESERVED}};
    EXPECT_TRUE(AnimatePalette(palette, 20, 2, change));
    auto entries = platform::palette_entries(palette);
    EXPECT_EQ(entries[20].peRed, 9);
    EXPECT_EQ(entries[21].peRed, 4);  // not reserved: left alone
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_FALSE(DeleteObject(palette));
    EXPECT_EQ(SelectPalette(dc, palette, FALSE), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST_F(Gdi32Test, StockFontGivesFixedMetrics) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ font = GetStockObject(OEM_FIXED_FONT);
    ASSERT_NE(font, nullptr);
    SelectObject(dc, font);
    EXPECT_EQ(platform::selected_font(dc), font);
    TEXTMETRICA metrics;
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    EXPECT_EQ(metrics.tmHeight, 12);
    EXPECT_EQ(metrics.tmExternalLeading, 0);
    EXPECT_EQ(metrics.tmAveCharWidth, 8);
    EXPECT_FALSE(GetTextMetricsA(nullptr, &metrics));
}

TEST_F(Gdi32Test, StretchModeAndMemoryContexts) {
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(platform::stretch_mode(dc), COLORONCOLOR);
    EXPECT_EQ(SetStretchBltMode(nullptr, COLORONCOLOR), 0);
    HDC memory = CreateCompatibleDC(nullptr);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(platform::gdi_object_count(), 1u);
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_FALSE(DeleteDC(memory));
    EXPECT_EQ(platform::gdi_object_count(), 0u);
}

}  // namespace
