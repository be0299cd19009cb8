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
    EXPECT_EQ(creates[0].args[1], "0x1007");
    EXPECT_EQ(creates[0].args[2], "0x800");
    EXPECT_EQ(creates[0].args[4], "16");
    EXPECT_EQ(creates[0].args[5], "0x40");
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
    EXPECT_EQ(platform::live_objects(), objects);
}

TEST_F(BufferTableTest, SizesBelowOneAreRefusedWithoutAPlatformCall) {
    setup_display();
    platform::clear_calls();
    EXPECT_EQ(gfx_create_buffer(0, 10), -2);
    EXPECT_EQ(gfx_create_buffer(10, -1), -2);
    EXPECT_EQ(gfx_create_buffer(0x7FFFFFFF, 1), -2);
    EXPECT_TRUE(platform::calls().empty());
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

TEST_F(BufferTableTest, SelectingADeepBufferBuildsItsColourLookup) {
    setup_display(16);
    master_palette.entries[1] = {255, 255, 255, 0};
    master_palette.entries[2] = {255, 0, 0, 0};
    gfx_select_buffer(0);
    EXPECT_EQ(color_lookup.rgb16[1], 0xFFFF);
    EXPECT_EQ(color_lookup.rgb16[2], 0xF800);
    display.rgb16_layout = 0x1F0503;
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
