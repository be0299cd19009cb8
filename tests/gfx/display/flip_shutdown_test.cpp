#include "../../support/gfx_fixture.h"

namespace {

class FlipTest : public GfxTest {};

TEST_F(FlipTest, AFlipShowsBufferZero) {
    setup_display(8);
    gfx_select_buffer(0);
    Locked().set(3, 3, 42);
    platform::clear_calls();
    EXPECT_EQ(gfx_flip(), 0);
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Flip").size(), 1u);
    EXPECT_EQ(platform::headless_host()->page()[3 * 640 + 3], 42);
}

TEST_F(FlipTest, ALostSurfaceIsRestoredOnceAndFlippedAgain) {
    setup_display(8);
    platform::lose_surfaces();
    platform::clear_calls();
    EXPECT_EQ(gfx_flip(), 0);
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Flip").size(), 2u);
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Restore").size(), 1u);
    // The restored pages hold no scene yet: the loss stands until it is repainted.
    EXPECT_EQ(gfx_surfaces_lost(), 1);
    gfx_restore_surfaces();
    EXPECT_EQ(gfx_surfaces_lost(), 0);
}

TEST_F(FlipTest, ASurfaceThatStaysLostEndsTheFlip) {
    setup_display(8);
    platform::lose_surfaces();
    platform::set_display_available(false);
    EXPECT_EQ(gfx_flip(), DDERR_SURFACELOST);
}

TEST_F(FlipTest, OtherErrorsComeBackAtOnce) {
    setup_display(8, 0);  // no flip chain
    platform::clear_calls();
    EXPECT_EQ(gfx_flip(), DDERR_NOTFLIPPABLE);
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::Restore").empty());
}

TEST_F(FlipTest, RestoreCoversThePrimaryEveryBufferAndTheZBuffer) {
    EXPECT_EQ(gfx_restore_surfaces(), 0);  // before set-up: nothing
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::Restore").empty());
    setup_display(8);
    gfx_create_buffer(8, 8);
    gfx_create_buffer(8, 8);
    gfx_free_buffer(1);
    platform::lose_surfaces();
    platform::clear_calls();
    gfx_restore_surfaces();
    auto restores = platform::calls_named("IDirectDrawSurface7::Restore");
    ASSERT_EQ(restores.size(), 3u);  // primary, slot 0, slot 2
    EXPECT_EQ(restores[0].args[0], platform::pointer_text(display.primary));
    EXPECT_EQ(restores[1].args[0], platform::pointer_text(buffer_table[0].surface));
    EXPECT_EQ(restores[2].args[0], platform::pointer_text(buffer_table[2].surface));
}

class ShutdownTest : public GfxTest {};

TEST_F(ShutdownTest, TheApplicationsSequenceReleasesEverythingInOrder) {
    HDC dc = GetDC(window_);
    gfx_request_mode(640, 480, 8, GFX_MODE_FLIP);
    gfx_attach_dc(dc);
    HPALETTE palette = gfx_create_logical_palette();
    HPALETTE original = platform::selected_palette(dc);
    gfx_realize_palette(palette);
    ASSERT_EQ(gfx_setup_display(), 0);
    gfx_select_buffer(0);
    gfx_attach_palette();
    const BufferHandle background = gfx_create_buffer(640, 480);
    gfx_select_buffer(background);
    gfx_attach_palette();
    gfx_select_buffer(0);

    gfx_deselect_buffers();
    gfx_free_buffer(background);
    IDirectDrawSurface7* primary = display.primary;
    IDirectDraw7* ddraw = display.ddraw;
    platform::clear_calls();
    EXPECT_EQ(gfx_shutdown(), 0);

    const Strings expected = {"SelectPalette",
                              "FreeLibrary",
                              "IDirectDraw7::FlipToGDISurface",
                              "IDirectDrawSurface7::SetPalette",
                              "IDirectDrawPalette::Release",
                              "IDirectDrawSurface7::Release",
                              "IDirectDraw7::Release",
                              "DeleteDC"};
    EXPECT_EQ(call_names(), expected);
    EXPECT_EQ(platform::calls()[5].args[0], platform::pointer_text(primary));
    EXPECT_EQ(platform::calls()[6].args[0], platform::pointer_text(ddraw));
    EXPECT_EQ(platform::selected_palette(dc), original);
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::misuse_count(), 0);
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 1);  // kept on NT
    EXPECT_EQ(platform::module_reference_count("AVIFIL32.DLL"), 0);
    EXPECT_EQ(display.ddraw, nullptr);
    EXPECT_EQ(display.memory_dc, nullptr);
    EXPECT_EQ(gfx_restore_surfaces(), 0);
}

TEST_F(ShutdownTest, OtherSystemsUnloadDirectDraw) {
    platform::set_version(0x80000A04u);
    setup_display(8);
    gfx_shutdown();
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 0);
}

TEST_F(ShutdownTest, AFailedSetUpIsReleasedAndItsLibraryFreedEvenOnNt) {
    platform::fail_next("IDirectDraw7::SetDisplayMode", 1, DDERR_GENERIC);
    gfx_request_mode(640, 480, 8, GFX_MODE_FLIP);
    EXPECT_EQ(gfx_setup_display(), -1);
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 0);
}

TEST_F(ShutdownTest, AnOldObjectLeftByAFailedSetUpIsReleased) {
    platform::fail_next("DirectDrawCreateEx", 1, DDERR_GENERIC);
    platform::fail_next("IDirectDraw::QueryInterface", 2, E_NOINTERFACE);
    gfx_request_mode(640, 480, 8, GFX_MODE_FLIP);
    EXPECT_EQ(gfx_setup_display(), -1);
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(ShutdownTest, WindowedDisplaysDetachTheirClipper) {
    gfx_request_mode(640, 480, 0, 0);
    ASSERT_EQ(gfx_setup_display(), 0);
    platform::clear_calls();
    gfx_shutdown();
    EXPECT_TRUE(platform::calls_named("IDirectDraw7::FlipToGDISurface").empty());
    auto detach = platform::calls_named("IDirectDrawSurface7::SetClipper");
    ASSERT_EQ(detach.size(), 1u);
    EXPECT_EQ(detach[0].args[1], "null");
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(ShutdownTest, AFullTableRefusesShutdown) {
    setup_display(8);
    while (gfx_create_buffer(4, 4) >= 0) {
    }
    const int objects = platform::live_objects();
    platform::clear_calls();
    EXPECT_EQ(gfx_shutdown(), 0);
    EXPECT_TRUE(platform::calls().empty());
    EXPECT_EQ(platform::live_objects(), objects);
    EXPECT_NE(display.ddraw, nullptr);
}

TEST_F(ShutdownTest, WithoutASavedPaletteTheContextIsLeftAlone) {
    setup_display(8);
    platform::clear_calls();
    gfx_shutdown();
    EXPECT_TRUE(platform::calls_named("SelectPalette").empty());
}

}  // namespace
