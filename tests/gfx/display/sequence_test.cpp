// The exact platform calls of the display's life, scenario by scenario:
// set-up, a flip, a palette change, a restore and shutdown, with every
// argument the layer passes (capabilities, flags, sizes, depths, masks,
// viewports) and their order. Each sequence is held as a digest of its
// text; a changed sequence prints itself whole, for review.
#include <functional>

#include "../../support/call_text.h"
#include "../../support/gfx_fixture.h"

namespace {

struct Scenario {
    const char* name;
    std::function<void()> machine;  // what the platform offers
    int bits;
    std::uint32_t flags;
    std::uint64_t digest;
};

const GUID hardware_device{0xC, 0, 0, {}};

const Scenario scenarios[] = {
    {"the program's exclusive 8-bit flip chain", [] {}, 8, GFX_MODE_FLIP, 9215648477835352872u},
    {"a windowed display at the desktop's 8 bits", [] { platform::set_desktop_depth(8); }, 0, 0, 9227550434245799201u},
    {"a windowed display at the desktop's 16 bits", [] { platform::set_desktop_depth(16); }, 0, 0,
     11815249216644643713u},
    {"a windowed 16-bit display", [] { platform::set_desktop_depth(16); }, 16, 0, 5976864769599424252u},
    {"24 bits asked of a display that offers 32",
     [] {
         platform::set_display_modes({{640, 480, 8}, {640, 480, 16}, {640, 480, 32}});
     },
     24, GFX_MODE_FLIP, 17524993333852066195u},
    {"32 bits asked of a display that offers 24",
     [] {
         platform::set_display_modes({{640, 480, 8}, {640, 480, 24}});
     },
     32, GFX_MODE_FLIP, 7671600342140096561u},
    {"a hardware 3D device with a Z-buffer on DirectDraw 7",
     [] {
         platform::set_devices({{"hal", true, DDBD_16, DDBD_16 | DDBD_24, hardware_device}});
     },
     16, GFX_MODE_FLIP | GFX_MODE_HARDWARE_3D | GFX_MODE_ZBUFFER, 6923431813151318577u},
    {"a software 3D device with a Z-buffer on DirectDraw 6",
     [] { platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false); }, 16,
     GFX_MODE_FLIP | GFX_MODE_SOFTWARE_3D | GFX_MODE_ZBUFFER, 13110557782308810899u},
    {"a software 3D device with a Z-buffer on DirectDraw 5",
     [] {
         platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
         platform::fail_next("IDirectDraw::QueryInterface", 1, E_NOINTERFACE);
     },
     16, GFX_MODE_FLIP | GFX_MODE_SOFTWARE_3D | GFX_MODE_ZBUFFER, 178608776754400348u},
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class SequenceTest : public GfxTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(SequenceTest, FollowsTheRecordedCalls) {
    const Scenario& scenario = GetParam();
    scenario.machine();
    HDC dc = GetDC(window_);
    platform::clear_calls();
    gfx_attach_dc(dc);
    HPALETTE palette = gfx_create_logical_palette();
    gfx_realize_palette(palette);
    gfx_request_mode(640, 480, scenario.bits, scenario.flags);
    gfx_setup_display();
    gfx_select_buffer(0);
    gfx_attach_palette();
    // A windowed display's buffers may be deeper than its palette: then the
    // palette change must reach the colour lookup as well.
    if (scenario.bits == 0 && gfx_desktop_depth() == 16) gfx_set_buffer_depth(16);
    const BufferHandle buffer = gfx_create_buffer(100, 50);
    gfx_select_buffer(buffer);
    const std::uint8_t colours[6] = {10, 20, 30, 40, 50, 60};
    gfx_set_palette_range(12, 2, colours);
    // Deep buffers draw through the lookup, which the change reaches at once.
    ASSERT_GE(buffer, 0);
    if (active_buffer.bits_per_pixel == 16) {
        EXPECT_EQ(color_lookup.rgb16[12], (10 >> 3) << 11 | (20 >> 2) << 5 | 30 >> 3);
    } else if (active_buffer.bits_per_pixel > 16) {
        EXPECT_EQ(color_lookup.rgb32[12], (std::array<std::uint8_t, 4>{0, 10, 20, 30}));
    }
    gfx_copy_rect(0, 9, 0, 9, 5, 20, buffer, 0);
    gfx_flip();
    platform::lose_surfaces();
    gfx_restore_surfaces();
    gfx_deselect_buffers();
    gfx_free_buffer(buffer);
    gfx_shutdown();
    DeleteObject(palette);
    const std::string text = call_text();
    EXPECT_EQ(text_digest(text), scenario.digest) << scenario.name << ":\n" << text;
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::misuse_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Displays, SequenceTest, ::testing::ValuesIn(scenarios));

}  // namespace
