#include "../../support/gfx_fixture.h"

namespace {

class BufferTableTest : public GfxTest {};

TEST_F(BufferTableTest, WidthsAreRoundedUpToAMultipleOfFour) {
    setup_display();
    const BufferHandle handle = gfx_create_buffer(637, 10);
    ASSERT_EQ(handle, 1);  // buffer 0 is the back buffer
    EXPECT_EQ(buffer_table[handle].width, 640);
    EXPECT_EQ(buffer_table[handle].height, 10);
    EXPECT_EQ(buffer_table[handle].clip.max_x, 639);
    EXPECT_EQ(buffer_table[handle].clip.max_y, 9);
    EXPECT_EQ(buffer_table[handle].pitch, platform::surface_pitch_for(640, 8));
    EXPECT_EQ(buffer_table[gfx_create_buffer(640, 1)].width, 640);
}

TEST_F(BufferTableTest, CreationAsksForASystemMemorySurfaceOfTheDisplayDepth) {
    setup_display(16);
    platform::clear_calls();
    const BufferHandle handle = gfx_create_buffer(8, 8);
    auto creates = platform::calls_named("IDirectDraw7::CreateSurface");
    ASSERT_EQ(creates.size(), 1u);
    EXPECT_EQ(args_at(creates[0], {1, 2, 4, 5}), (Strings{"0x1007", "0x800", "16", "0x40"}));
    EXPECT_EQ(buffer_table[handle].bits_per_pixel, 16);
}

TEST_F(BufferTableTest, FreedSlotsAreReusedLowestFirstAndSlot255CanBeFilled) {
    setup_display();
    EXPECT_EQ(gfx_create_buffer(4, 4), 1);
    EXPECT_EQ(gfx_create_buffer(4, 4), 2);
    EXPECT_EQ(gfx_create_buffer(4, 4), 3);
    gfx_free_buffer(2);
    EXPECT_EQ(gfx_create_buffer(4, 4), 2);
    for (int expected = 4; expected < 256; ++expected) ASSERT_EQ(gfx_create_buffer(4, 4), expected);
    EXPECT_NE(buffer_table[255].surface, nullptr);
    const int objects = platform::live_objects();
    platform::clear_calls();
    EXPECT_EQ(gfx_create_buffer(4, 4), -1);  // table full: nothing changes
    EXPECT_TRUE(platform::calls().empty());
    EXPECT_EQ(gfx_last_error(), DDERR_OUTOFMEMORY);
    EXPECT_EQ(platform::live_objects(), objects);
}

// Each refusal leaves its own code, never one from an earlier failure.
TEST_F(BufferTableTest, RefusedSizesAndAMissingDisplayGiveTheirOwnCodesWithoutAPlatformCall) {
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    EXPECT_EQ(gfx_last_error(), DDERR_NOTINITIALIZED);
    setup_display();
    platform::fail_next("IDirectDraw7::CreateSurface", 3, DDERR_OUTOFMEMORY);
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    platform::clear_calls();
    EXPECT_EQ(gfx_create_buffer(0, 10), -2);
    EXPECT_EQ(gfx_last_error(), DDERR_INVALIDPARAMS);
    EXPECT_EQ(gfx_create_buffer(10, -1), -2);
    EXPECT_EQ(gfx_create_buffer(0x7FFFFFFF, 1), -2);
    EXPECT_TRUE(platform::calls().empty());
}

// A depth no pixel routine draws (a 15-bit mode, say) is refused by the
// set-up and by buffer creation, and a buffer that claims one anyway is
// neither drawn nor loaded into.
TEST_F(BufferTableTest, DepthsThatNoRoutineDrawsAreNeverMadeNorDrawn) {
    platform::set_display_modes({{640, 480, 15}, {640, 480, 8}});
    gfx_request_mode(640, 480, 15, GFX_MODE_FLIP);
    EXPECT_EQ(gfx_setup_display(), -1);
    EXPECT_EQ(gfx_last_error(), DDERR_INVALIDMODE);
    EXPECT_TRUE(platform::calls_named("IDirectDraw7::SetDisplayMode").empty());
    gfx_shutdown();
    setup_display(8);
    gfx_set_buffer_depth(15);
    platform::clear_calls();
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    EXPECT_EQ(gfx_last_error(), DDERR_INVALIDPIXELFORMAT);
    EXPECT_TRUE(platform::calls_named("IDirectDraw7::CreateSurface").empty());

    gfx_set_buffer_depth(8);
    const BufferHandle small = gfx_create_buffer(8, 8);
    gfx_select_buffer(small);
    Locked().fill(7);
    active_buffer.bits_per_pixel = 15;
    const std::vector<std::uint8_t> image(64 * 64, 3);
    gfx_move_to(0, 7);
    gfx_draw_transparent(image.data(), 64, 64);
    gfx_draw_transparent_mirrored(image.data(), 64, 64);
    gfx_draw_transparent_unclipped(image.data(), 8, 8);
    std::vector<std::uint8_t> captured(64, 9);
    gfx_get_image(captured.data(), 8, 8);
    std::vector<std::uint8_t> pcx(128, 0);
    pcx[0] = 10;
    pcx[3] = 8;
    pcx[65] = 1;
    pcx[66] = 8;
    pcx[8] = pcx[10] = 7;
    gfx_set_read_buffer(pcx.data(), 128);
    EXPECT_EQ(gfx_load_pcx("", PCX_FROM_MEMORY), 3);
    active_buffer.bits_per_pixel = 8;
    Locked locked;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) ASSERT_EQ(locked.get(x, y), 7u);
    }
    EXPECT_EQ(captured[0], 9);
}

TEST_F(BufferTableTest, CreationTriesThreeTimesThenKeepsTheLastCode) {
    setup_display(32);
    platform::fail_next("IDirectDraw7::CreateSurface", 2, DDERR_INVALIDPIXELFORMAT);
    platform::clear_calls();
    EXPECT_EQ(gfx_create_buffer(8, 8), 1);
    auto creates = platform::calls_named("IDirectDraw7::CreateSurface");
    ASSERT_EQ(creates.size(), 3u);
    EXPECT_EQ(creates[0].args[5], "0x40");
    EXPECT_EQ(creates[1].args[5], "0x41");  // with an alpha channel
    EXPECT_EQ(creates[2].args[5], "0x40");  // and without again
    platform::fail_next("IDirectDraw7::CreateSurface", 3, DDERR_OUTOFMEMORY);
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    EXPECT_EQ(gfx_last_error(), DDERR_OUTOFMEMORY);
    EXPECT_EQ(buffer_table[2].surface, nullptr);
}

TEST_F(BufferTableTest, ASurfaceWhoseDescriptionFailsIsReleasedNotKept) {
    setup_display();
    const int objects = platform::live_objects();
    platform::fail_next("IDirectDrawSurface7::GetSurfaceDesc", 1, DDERR_GENERIC);
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    EXPECT_EQ(gfx_last_error(), DDERR_GENERIC);
    EXPECT_EQ(buffer_table[1].surface, nullptr);
    EXPECT_EQ(platform::live_objects(), objects);
}

TEST_F(BufferTableTest, SelectionRefusesBadHandlesAndFreeSlotsAndKeepsTheActiveBuffer) {
    setup_display();
    ASSERT_EQ(gfx_select_buffer(0), 0);
    EXPECT_EQ(gfx_select_buffer(-1), -1);
    EXPECT_EQ(gfx_select_buffer(256), -1);
    EXPECT_EQ(gfx_select_buffer(7), -2);
    EXPECT_EQ(active_buffer.handle, 0);
    EXPECT_EQ(active_buffer.width, 640);
    EXPECT_EQ(active_buffer.pitch, buffer_table[0].pitch);
}

TEST_F(BufferTableTest, TheActiveBufferIsNeverFreedAndAllIsFreedOnlyWithNoneActive) {
    setup_display();
    const BufferHandle handle = gfx_create_buffer(16, 16);
    gfx_select_buffer(handle);
    EXPECT_EQ(gfx_free_buffer(handle), 0);
    EXPECT_NE(buffer_table[handle].surface, nullptr);
    EXPECT_EQ(gfx_free_buffer(-1), 0);
    EXPECT_NE(buffer_table[0].surface, nullptr);
    EXPECT_EQ(gfx_free_buffer(300), 0);
    gfx_deselect_buffers();
    EXPECT_EQ(gfx_free_buffer(-1), 0);
    for (const VirtualBuffer& slot : buffer_table) ASSERT_EQ(slot.surface, nullptr);
    EXPECT_EQ(platform::misuse_count(), 0);
    EXPECT_EQ(gfx_free_buffer(handle), 0);  // a free slot stays free
}

TEST_F(BufferTableTest, NestedLocksReachThePlatformOnlyAtTheOutermostLevel) {
    setup_display();
    gfx_select_buffer(gfx_create_buffer(8, 8));
    platform::clear_calls();
    lock_active_buffer();
    lock_active_buffer();
    EXPECT_EQ(display.lock_count, 2);
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Lock").size(), 1u);
    unlock_active_buffer();
    EXPECT_TRUE(platform::calls_named("IDirectDrawSurface7::Unlock").empty());
    unlock_active_buffer();
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Unlock").size(), 1u);
    unlock_active_buffer();  // at zero: nothing
    EXPECT_EQ(display.lock_count, 0);
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::Unlock").size(), 1u);
}

// The platform may lock without handing out an address; the record's
// address from an earlier lock must not stand in for it.
TEST_F(BufferTableTest, ALockWithoutAnAddressGrantsNoPixels) {
    setup_display();
    const BufferHandle first = gfx_create_buffer(8, 8);
    gfx_select_buffer(first);
    Locked().fill(7);
    platform::fail_next("IDirectDrawSurface7::Lock", 1, DD_OK);
    const std::uint8_t image[4] = {3, 3, 3, 3};
    gfx_move_to(0, 1);
    gfx_draw_transparent(image, 2, 2);
    EXPECT_EQ(display.lock_count, 0);
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 7u);
    EXPECT_EQ(locked.get(1, 1), 7u);
}

// A restored surface may come back with another pitch; every routine goes
// by the pitch the lock reports, here read back through the platform's own.
TEST_F(BufferTableTest, RoutinesDrawAtThePitchARestoredSurfaceReports) {
    setup_display(24);
    platform::set_restore_moves_pitch(true);
    const BufferHandle handle = gfx_create_buffer(8, 8);
    const std::int32_t before = buffer_table[handle].pitch;
    gfx_select_buffer(handle);
    platform::lose_surfaces();
    ASSERT_EQ(gfx_restore_surfaces(), 0);
    master_palette.entries[3] = {0x11, 0x22, 0x33, 0};
    gfx_select_buffer(handle);
    gfx_move_to(0, 7);
    const std::vector<std::uint8_t> image(64, 3);
    gfx_draw_transparent(image.data(), 8, 8);
    EXPECT_EQ(buffer_table[handle].pitch, before + 64);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(buffer_table[handle].surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    const auto* pixels = static_cast<const std::uint8_t*>(desc.lpSurface);
    for (int y = 0; y < 8; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
        for (int x = 0; x < 8; ++x) {
            ASSERT_EQ(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2], 0x332211) << x << ", " << y;
        }
    }
    buffer_table[handle].surface->Unlock(nullptr);
}

// After shutdown no slot names a released surface: every buffer call finds
// empty slots and reaches no freed object.
TEST_F(BufferTableTest, AfterShutdownEveryBufferCallFindsEmptySlots) {
    setup_display();
    const BufferHandle other = gfx_create_buffer(8, 8);
    gfx_select_buffer(other);
    gfx_shutdown();
    for (const VirtualBuffer& slot : buffer_table) ASSERT_EQ(slot.surface, nullptr);
    platform::clear_calls();
    EXPECT_EQ(gfx_select_buffer(0), -2);
    EXPECT_EQ(gfx_select_buffer(other), -2);
    EXPECT_EQ(gfx_free_buffer(-1), 0);
    EXPECT_EQ(gfx_free_buffer(other), 0);
    EXPECT_EQ(gfx_copy_rect(0, 3, 0, 3, 0, 3, 0, other), 0);
    EXPECT_EQ(gfx_copy_buffer(other, 0), 0);
    const std::uint8_t image[1] = {5};
    EXPECT_EQ(gfx_draw_transparent(image, 1, 1), 0);
    EXPECT_EQ(gfx_create_buffer(8, 8), -2);
    EXPECT_TRUE(platform::calls().empty());
    EXPECT_EQ(platform::misuse_count(), 0);
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(BufferTableTest, SelectingADeepBufferBuildsItsColourLookup) {
    setup_display(16);
    master_palette.entries[1] = {255, 255, 255, 0};
    master_palette.entries[2] = {255, 0, 0, 0};
    gfx_select_buffer(0);
    EXPECT_EQ(color_lookup.rgb16[1], 0xFFFF);
    EXPECT_EQ(color_lookup.rgb16[2], 0xF800);
    display.rgb16_layout = Rgb16Layout::rgb555;
    gfx_select_buffer(0);
    EXPECT_EQ(color_lookup.rgb16[1], 0x7FFF);
    EXPECT_EQ(color_lookup.rgb16[2], 0x7C00);
}

TEST_F(BufferTableTest, MoveToStoresAnyPosition) {
    EXPECT_EQ(gfx_move_to(-5, 100000), 0);
    EXPECT_EQ(draw_position.x, -5);
    EXPECT_EQ(draw_position.y, 100000);
}

}  // namespace
