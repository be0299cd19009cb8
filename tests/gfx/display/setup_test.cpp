#include "../../support/gfx_fixture.h"

namespace {

class SetupTest : public GfxTest {
protected:
    std::int32_t setup(int bits, std::uint32_t flags = GFX_MODE_FLIP) {
        gfx_request_mode(640, 480, bits, flags);
        return gfx_setup_display();
    }
};

TEST_F(SetupTest, RequestKeepsFiveFlagBitsAndDropsExactDepthBelow24) {
    gfx_request_mode(640, 480, 8, 63);
    EXPECT_EQ(display.mode_flags, 15u);
    EXPECT_EQ(display.extra_caps, 8192u);
    gfx_request_mode(640, 480, 32, 16);
    EXPECT_EQ(display.mode_flags, 16u);
    EXPECT_EQ(display.extra_caps, 0u);
    gfx_request_mode(640, 480, 0x120, 16);  // the low byte, 0x20, is 32: kept
    EXPECT_EQ(display.mode_flags, 16u);
    gfx_request_mode(640, 480, 24, 16);  // 24 itself is no depth below 24
    EXPECT_EQ(display.mode_flags, 16u);
    gfx_request_mode(640, 480, 23, 16);
    EXPECT_EQ(display.mode_flags, 0u);
}

TEST_F(SetupTest, TheProgramsDisplayHasBufferZeroAsItsBackBuffer) {
    HDC dc = GetDC(window_);
    gfx_attach_dc(dc);
    ASSERT_EQ(setup(8), 0);
    EXPECT_EQ(platform::selected_font(dc), GetStockObject(OEM_FIXED_FONT));
    EXPECT_EQ(gfx_last_error(), 0);
    EXPECT_EQ(display.ddraw_version, 7);
    EXPECT_EQ(display.surface_desc.dwSize, sizeof(DDSURFACEDESC2));
    EXPECT_EQ(display.focus_window, window_);
    EXPECT_NE(display.ddraw_palette, nullptr);
    EXPECT_EQ(display.new_buffer_depth, 8);
    EXPECT_EQ(gfx_select_buffer(0), 0);
    EXPECT_EQ(buffer_table[0].width, 640);
    EXPECT_EQ(buffer_table[0].pitch, platform::surface_pitch_for(640, 8));
    EXPECT_EQ(gfx_create_buffer(640, 480), 1);
    auto levels = platform::calls_named("IDirectDraw7::SetCooperativeLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0].args[2], "0x53");
    EXPECT_NE(display.memory_dc, nullptr);
    EXPECT_EQ(display.is_nt, 1);
    for (FARPROC entry : display.avi_entry_points) EXPECT_NE(entry, nullptr);
    EXPECT_EQ(display.text_line_height, 12);
    EXPECT_EQ(display.text_char_width, 8);
    for (BYTE key : platform::keyboard_state()) ASSERT_EQ(key, 0);
}

TEST_F(SetupTest, AWidthThatIsNoMultipleOfFourStaysAsRequestedForBufferZero) {
    platform::set_display_modes({{637, 480, 8}});
    gfx_request_mode(637, 480, 8, GFX_MODE_FLIP);
    ASSERT_EQ(gfx_setup_display(), 0);
    EXPECT_EQ(buffer_table[0].width, 637);
    EXPECT_EQ(buffer_table[0].clip.max_x, 636);
}

TEST_F(SetupTest, ExclusiveWithoutFlipLeavesSlotZeroFree) {
    ASSERT_EQ(setup(8, 0), 0);
    EXPECT_EQ(buffer_table[0].surface, nullptr);
    EXPECT_EQ(gfx_create_buffer(8, 8), 0);
}

TEST_F(SetupTest, WindowedSetUpUsesAClipperAndNoPalette) {
    platform::set_desktop_depth(16);
    ASSERT_EQ(setup(0, GFX_MODE_FLIP | GFX_MODE_HARDWARE_3D), 0);
    EXPECT_NE(display.clipper, nullptr);
    EXPECT_EQ(display.ddraw_palette, nullptr);
    EXPECT_EQ(display.new_buffer_depth, 8);
    EXPECT_EQ(buffer_table[0].surface, nullptr);
    EXPECT_EQ(display.rgb16_layout, Rgb16Layout::rgb565);
    EXPECT_EQ(display.red_mask, 0xF800u);
    EXPECT_TRUE(platform::calls_named("IDirectDraw7::SetDisplayMode").empty());
    EXPECT_EQ(display.d3d, nullptr);
}

TEST_F(SetupTest, DeepDisplaysRecordTheirMasksAndTheSixteenBitLayout) {
    platform::set_rgb16_555(true);
    ASSERT_EQ(setup(16), 0);
    EXPECT_EQ(display.rgb16_layout, Rgb16Layout::rgb555);
    EXPECT_EQ(display.red_mask, 0x7C00u);
    EXPECT_EQ(display.new_buffer_depth, 16);
    EXPECT_EQ(display.ddraw_palette, nullptr);
}

TEST_F(SetupTest, TwentyFourAndThirtyTwoBitsStandInForEachOtherOnce) {
    platform::set_display_modes({{640, 480, 32}});
    ASSERT_EQ(setup(24, 0), 0);
    EXPECT_EQ(display.mode_bits, 32);
    EXPECT_TRUE(display.mode_flags & GFX_MODE_EXACT_DEPTH);
    auto modes = platform::calls_named("IDirectDraw7::SetDisplayMode");
    ASSERT_EQ(modes.size(), 2u);
    EXPECT_EQ(modes[1].args[3], "32");

    restart();
    platform::set_display_modes({{640, 480, 8}});
    EXPECT_EQ(setup(24, 0), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(platform::calls_named("IDirectDraw7::SetDisplayMode").size(), 2u);
}

TEST_F(SetupTest, ExactDepthAndLowDepthsTryTheModeOnce) {
    platform::set_display_modes({{640, 480, 24}});
    EXPECT_EQ(setup(32, GFX_MODE_EXACT_DEPTH), -1);
    EXPECT_EQ(platform::calls_named("IDirectDraw7::SetDisplayMode").size(), 1u);
    platform::clear_calls();
    platform::fail_next("IDirectDraw7::SetDisplayMode", 1, DDERR_GENERIC);
    reset_layer_globals();
    EXPECT_EQ(setup(8), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_GENERIC);
    EXPECT_EQ(platform::calls_named("IDirectDraw7::SetDisplayMode").size(), 1u);
}

TEST_F(SetupTest, TheNewestInterfaceIsChosenFromSevenDownToFive) {
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    ASSERT_EQ(setup(8), 0);
    EXPECT_EQ(display.ddraw_version, 6);
    EXPECT_NE(display.ddraw_v1, nullptr);
    EXPECT_EQ(display.surface_desc.dwSize, sizeof(DDSURFACEDESC2));

    restart();
    platform::fail_next("DirectDrawCreateEx", 1, DDERR_GENERIC);
    platform::fail_next("IDirectDraw::QueryInterface", 1, E_NOINTERFACE);
    ASSERT_EQ(setup(8), 0);
    EXPECT_EQ(display.ddraw_version, 5);
    EXPECT_EQ(display.surface_desc.dwSize, sizeof(DDSURFACEDESC));
    EXPECT_EQ(gfx_last_error(), 0);
    EXPECT_EQ(gfx_create_buffer(16, 16), 1);  // the older record serves buffers too
    gfx_select_buffer(1);
    const std::uint8_t pixel = 3;
    gfx_draw_transparent(&pixel, 1, 1);
    EXPECT_EQ(platform::misuse_count(), 0);

    restart();
    platform::fail_next("DirectDrawCreateEx", 1, DDERR_GENERIC);
    platform::fail_next("IDirectDraw::QueryInterface", 2, E_NOINTERFACE);
    EXPECT_EQ(setup(8), -1);  // nothing older than 5 is taken
    EXPECT_EQ(gfx_last_error(), E_NOINTERFACE);
}

TEST_F(SetupTest, MissingLibraryOrEntryPointFailsVisibly) {
    platform::set_module_available("DDRAW.DLL", false);
    EXPECT_EQ(setup(8), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_NODIRECTDRAWSUPPORT);
    restart();
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreate", false);
    EXPECT_EQ(setup(8), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_NODIRECTDRAWSUPPORT);
    restart();
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    platform::fail_next("DirectDrawCreate", 1, DDERR_OUTOFMEMORY);
    EXPECT_EQ(setup(8), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_OUTOFMEMORY);
}

// Each of these calls failing fails the set-up with its own code.
class SetupFailureTest : public SetupTest, public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(SetupFailureTest, FailsWithTheCallsCode) {
    const auto [call, bits] = GetParam();
    const HRESULT code = static_cast<HRESULT>(0x88760000u + 777);
    platform::fail_next(call, 2, code);  // twice, for the calls that are tried twice
    EXPECT_EQ(setup(bits), -1) << call;
    EXPECT_EQ(gfx_last_error(), code) << call;
    EXPECT_EQ(display.memory_dc, nullptr);  // the finish did not run
}

INSTANTIATE_TEST_SUITE_P(
    Calls, SetupFailureTest,
    ::testing::Values(std::pair{"IDirectDraw7::SetCooperativeLevel", 8}, std::pair{"IDirectDraw7::CreateSurface", 8},
                      std::pair{"IDirectDraw7::CreatePalette", 8}, std::pair{"IDirectDrawSurface7::SetPalette", 8},
                      std::pair{"IDirectDrawSurface7::GetAttachedSurface", 8},
                      std::pair{"IDirectDrawSurface7::GetSurfaceDesc", 8},
                      std::pair{"IDirectDrawSurface7::GetPixelFormat", 16}, std::pair{"IDirectDraw7::CreateClipper", 0},
                      std::pair{"IDirectDrawClipper::SetHWnd", 0}, std::pair{"IDirectDrawSurface7::SetClipper", 0}));

TEST_F(SetupTest, ThePrimarySurfaceIsTriedAgainWithoutVideoMemory) {
    platform::fail_next("IDirectDraw7::CreateSurface", 1, DDERR_OUTOFMEMORY);
    ASSERT_EQ(setup(8, GFX_MODE_FLIP | GFX_MODE_SOFTWARE_3D), 0);
    auto creates = platform::calls_named("IDirectDraw7::CreateSurface");
    ASSERT_GE(creates.size(), 2u);
    EXPECT_EQ(creates[0].args[2], "0x6218");  // primary, video memory, 3D, flip, complex
    EXPECT_EQ(creates[1].args[2], "0x218");   // the flip bits stay
}

TEST_F(SetupTest, AMissingVideoLibraryChangesNothing) {
    platform::set_module_available("AVIFIL32.DLL", false);
    EXPECT_EQ(setup(8), 0);
    EXPECT_EQ(display.avi_library, nullptr);
    for (FARPROC entry : display.avi_entry_points) EXPECT_EQ(entry, nullptr);
}

// Buffer 0 goes on naming the kept chain's back buffer, so the next buffer
// made never takes its handle.
TEST_F(SetupTest, ASecondSetUpEmptiesTheTableButBufferZeroAndKeepsTheObjects) {
    ASSERT_EQ(setup(8), 0);
    gfx_create_buffer(8, 8);
    IDirectDraw7* ddraw = display.ddraw;
    const VirtualBuffer back = buffer_table[0];
    platform::clear_calls();
    EXPECT_EQ(gfx_setup_display(), 0);
    EXPECT_EQ(display.ddraw, ddraw);
    EXPECT_EQ(buffer_table[0].surface, back.surface);
    EXPECT_EQ(buffer_table[0].pitch, back.pitch);
    EXPECT_EQ(buffer_table[1].surface, nullptr);
    EXPECT_TRUE(platform::calls_named("IDirectDraw7::CreateSurface").empty());
    EXPECT_EQ(gfx_create_buffer(8, 8), 1);
    EXPECT_EQ(platform::module_reference_count("AVIFIL32.DLL"), 1);
}

TEST_F(SetupTest, WithoutALogicalPaletteTheDisplayPaletteIsBlack) {
    ASSERT_EQ(setup(8), 0);
    PALETTEENTRY entries[256];
    display.ddraw_palette->GetEntries(0, 0, 256, entries);
    for (const PALETTEENTRY& e : entries) ASSERT_EQ(e.peRed | e.peGreen | e.peBlue, 0);
}

TEST_F(SetupTest, DesktopDepthReportsFifteenAsSixteen) {
    platform::set_desktop_depth(15);
    EXPECT_EQ(gfx_desktop_depth(), 16);
    platform::set_desktop_depth(24);
    EXPECT_EQ(gfx_desktop_depth(), 24);
}

}  // namespace
