#include "../../support/gfx_fixture.h"

namespace {

class PaletteTest : public GfxTest {
protected:
    static std::uint32_t rgb(const PALETTEENTRY& e) { return (e.peRed << 16) | (e.peGreen << 8) | e.peBlue; }
};

TEST_F(PaletteTest, DefaultColoursAreTheRingsAndTheStaticColours) {
    auto at = [](int i) { return (default_colors[i][0] << 16) | (default_colors[i][1] << 8) | default_colors[i][2]; };
    EXPECT_EQ(at(9), 0xA4C8F0);
    EXPECT_EQ(at(10), 0x000000);
    EXPECT_EQ(at(16), 0xAA5500);
    EXPECT_EQ(at(29), 0xFFFFFF);
    EXPECT_EQ(at(30), 0x0000FF);  // first ring, (lo, lo, hi)
    EXPECT_EQ(at(31), 0x4000FF);
    EXPECT_EQ(at(32), 0x7D00FF);
    EXPECT_EQ(at(33), 0xBE00FF);
    EXPECT_EQ(at(42), 0xFFFF00);   // (hi, hi, lo)
    EXPECT_EQ(at(54), 0x7D7DFF);   // second ring begins at 31 = 0x7D
    EXPECT_EQ(at(102), 0x000071);  // fourth ring: 28 gives 0x71
    EXPECT_EQ(at(245), 0x2C3040);
    EXPECT_EQ(at(246), 0xFFFBF0);
    EXPECT_EQ(at(255), 0xFFFFFF);
}

TEST_F(PaletteTest, EightBitLayoutKeepsTheSystemsStaticColours) {
    // A deep desktop has no system palette: its entries stay as they were.
    gfx_request_mode(640, 480, 8, 1);
    master_palette.entries[9] = PALETTEENTRY{1, 2, 3, 0};
    EXPECT_EQ(rgb(platform::palette_entries(gfx_create_logical_palette())[9]), 0x010203u);
    platform::set_desktop_depth(8);
    HPALETTE palette = gfx_create_logical_palette();
    ASSERT_NE(palette, nullptr);
    auto entries = platform::palette_entries(palette);
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(rgb(entries[9]), 0xA6CAF0u);  // the system's, not the table's A4C8F0
    EXPECT_EQ(entries[9].peFlags, 0);
    EXPECT_EQ(rgb(entries[10]), 0u);
    EXPECT_EQ(entries[10].peFlags, PC_RESERVED);
    EXPECT_EQ(rgb(entries[31]), 0x4000FFu);
    EXPECT_EQ(rgb(entries[246]), 0xFFFBF0u);
    EXPECT_EQ(master_palette.version, 0x300);
    EXPECT_EQ(master_palette.count, 256);
}

TEST_F(PaletteTest, WindowedLayoutsFollowTheDesktop) {
    gfx_request_mode(640, 480, 0, 0);
    platform::set_desktop_depth(16);
    auto full = platform::palette_entries(gfx_create_logical_palette());
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(full[i].peFlags, PC_RESERVED);
        ASSERT_EQ(full[i].peRed, default_colors[i][0]);
    }
    PALETTEENTRY system[256] = {};
    for (int i = 0; i < 256; ++i) system[i] = {static_cast<BYTE>(i), 1, 2, 0};
    platform::set_system_palette(system);
    platform::set_desktop_depth(4);
    auto sixteen = platform::palette_entries(gfx_create_logical_palette());
    EXPECT_EQ(sixteen[7].peRed, 7);
    EXPECT_EQ(sixteen[248].peRed, 8);  // system entries 8 to 15 go to 248 to 255
    EXPECT_EQ(sixteen[255].peRed, 15);
    EXPECT_EQ(sixteen[8].peRed, default_colors[8][0]);
    EXPECT_EQ(sixteen[247].peFlags, PC_RESERVED);
}

TEST_F(PaletteTest, OnlyTheFirstRealizationSavesTheOldPalette) {
    HDC dc = GetDC(nullptr);
    gfx_attach_dc(dc);
    EXPECT_EQ(platform::stretch_mode(dc), COLORONCOLOR);
    HPALETTE original = platform::selected_palette(dc);
    gfx_request_mode(640, 480, 8, 1);
    HPALETTE first = gfx_create_logical_palette();
    HPALETTE second = gfx_create_logical_palette();
    gfx_realize_palette(first);
    gfx_realize_palette(second);
    EXPECT_EQ(display.saved_palette, original);
    EXPECT_EQ(display.current_palette, second);
    EXPECT_EQ(platform::selected_palette(dc), second);
}

TEST_F(PaletteTest, RangesGoToTheDirectDrawPaletteInEightBitModes) {
    setup_display(8);
    const std::uint8_t triples[6] = {1, 2, 3, 4, 5, 6};
    const auto lookup_before = color_lookup.rgb16;
    EXPECT_EQ(gfx_set_palette_range(10, 2, triples), 0);  // no buffer active: nothing
    EXPECT_EQ(master_palette.entries[10].peRed, 0);
    gfx_select_buffer(0);
    gfx_set_palette_range(10, 0, triples);
    EXPECT_EQ(master_palette.entries[10].peRed, 0);
    gfx_set_palette_range(10, 2, triples);
    EXPECT_EQ(master_palette.entries[11].peBlue, 6);
    EXPECT_EQ(master_palette.entries[11].peFlags, PC_RESERVED);
    PALETTEENTRY shown[2];
    display.ddraw_palette->GetEntries(0, 10, 2, shown);
    EXPECT_EQ(shown[0].peGreen, 2);
    EXPECT_EQ(color_lookup.rgb16, lookup_before);
    gfx_set_palette_range(250, 10, triples);  // would run past the table: refused
    EXPECT_EQ(master_palette.entries[250].peRed, 0);
}

TEST_F(PaletteTest, RangesUpdateTheLookupOfDeepBuffers) {
    setup_display(16);
    gfx_select_buffer(0);
    const std::uint8_t white_red[6] = {255, 255, 255, 255, 0, 0};
    gfx_set_palette_range(0, 2, white_red);
    EXPECT_EQ(color_lookup.rgb16[0], 0xFFFF);
    EXPECT_EQ(color_lookup.rgb16[1], 0xF800);
    restart();
    platform::set_rgb16_555(true);
    setup_display(16);
    EXPECT_EQ(display.rgb16_layout, Rgb16Layout::rgb555);
    gfx_select_buffer(0);
    gfx_set_palette_range(0, 2, white_red);
    EXPECT_EQ(color_lookup.rgb16[0], 0x7FFF);
    EXPECT_EQ(color_lookup.rgb16[1], 0x7C00);
}

// Drawn, a 32-bit entry is the pixel's bytes reversed, whoever wrote it.
TEST_F(PaletteTest, ThirtyTwoBitLookupEntriesAreZeroThenRgbAndDrawReversed) {
    setup_display(32);
    gfx_select_buffer(0);
    const std::uint8_t triple[3] = {0x12, 0x34, 0x56};
    gfx_set_palette_range(9, 1, triple);
    EXPECT_EQ(color_lookup.rgb32[9], (std::array<std::uint8_t, 4>{0, 0x12, 0x34, 0x56}));
    color_lookup.rgb32[5] = {0, 10, 20, 30};
    const std::uint8_t indices[2] = {9, 5};
    gfx_move_to(0, 0);
    gfx_draw_transparent(indices, 2, 1);
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 0x00123456u);
    EXPECT_EQ(locked.get(1, 0), 0x000A141Eu);
}

TEST_F(PaletteTest, ImagePalettesUnlockOnlyTheOutermostLevel) {
    setup_display(8);
    gfx_select_buffer(0);
    const std::uint8_t triples[3] = {9, 9, 9};
    lock_active_buffer();
    platform::clear_calls();
    gfx_set_image_palette(1, triples, 1, triples);
    EXPECT_EQ(display.lock_count, 1);
    EXPECT_EQ(call_names(),
              (Strings{"IDirectDrawSurface7::Unlock", "IDirectDrawPalette::SetEntries", "IDirectDrawSurface7::Lock"}));
    EXPECT_NE(active_buffer.pixels, nullptr);
    lock_active_buffer();
    platform::clear_calls();
    gfx_set_image_palette(1, triples, 1, triples);
    EXPECT_EQ(display.lock_count, 2);
    EXPECT_EQ(call_names(), Strings{"IDirectDrawPalette::SetEntries"});
    unlock_active_buffer();
    unlock_active_buffer();
    EXPECT_EQ(master_palette.entries[10].peRed, 9);  // image palettes start at entry 10
}

TEST_F(PaletteTest, AttachingThePaletteNeedsAnEightBitActiveBuffer) {
    setup_display(16);
    platform::clear_calls();
    gfx_attach_palette();
    gfx_select_buffer(0);
    gfx_attach_palette();
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::SetPalette").empty());
}

}  // namespace
