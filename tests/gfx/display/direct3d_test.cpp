#include "gfx/display/direct3d.h"

#include "../../support/gfx_fixture.h"

namespace {

const GUID soft_a{0xA, 0, 0, {}};
const GUID soft_b{0xB, 0, 0, {}};
const GUID hard{0xC, 0, 0, {}};

class Direct3DTest : public GfxTest {
protected:
    std::int32_t setup(std::uint32_t flags, int bits = 16) {
        gfx_request_mode(640, 480, bits, GFX_MODE_FLIP | flags);
        return gfx_setup_display();
    }
    // The GUID of the device the layer created, as the log shows it.
    static std::string created_on() {
        for (const auto& call : platform::calls()) {
            if (call.name.find("::CreateDevice") != std::string::npos) return call.name;
        }
        return "";
    }
};

TEST_F(Direct3DTest, HardwareWinsWhateverTheOrder) {
    platform::set_devices({{"soft a", false, DDBD_16, DDBD_16, soft_a},
                           {"hard", true, DDBD_16, DDBD_16, hard},
                           {"soft b", false, DDBD_16, DDBD_16, soft_b}});
    EXPECT_EQ(setup(GFX_MODE_SOFTWARE_3D | GFX_MODE_HARDWARE_3D), 2);
    EXPECT_EQ(gfx_last_error(), 0);
    EXPECT_NE(display.d3d_device, nullptr);
    EXPECT_EQ(display.viewport, nullptr);  // version 7 has no viewport object
    auto viewports = platform::calls_named("IDirect3DDevice7::SetViewport");
    ASSERT_EQ(viewports.size(), 1u);
    EXPECT_EQ(viewports[0].args[2], "640");
}

TEST_F(Direct3DTest, TheChoiceRulesOnSingleDevices) {
    DeviceChoice choice;
    choice.display_depth_bit = 4;  // 16 bits
    choice.flags = GFX_MODE_SOFTWARE_3D | GFX_MODE_HARDWARE_3D;
    EXPECT_EQ(choose_device(choice, soft_a, false, true, DDBD_16, 0), D3DENUMRET_OK);
    EXPECT_EQ(choose_device(choice, soft_b, false, true, DDBD_16, 0), D3DENUMRET_OK);
    EXPECT_EQ(choice.software_guid.Data1, 0xBu);                                     // the last software device
    EXPECT_EQ(choose_device(choice, hard, true, false, DDBD_32, 0), D3DENUMRET_OK);  // wrong depth
    EXPECT_EQ(choice.hardware_device, nullptr);
    EXPECT_EQ(choose_device(choice, hard, true, false, DDBD_16 | DDBD_32, 0), D3DENUMRET_CANCEL);
    EXPECT_EQ(choice.hardware_guid.Data1, 0xCu);
    DeviceChoice needs_z;
    needs_z.display_depth_bit = 4;
    needs_z.flags = GFX_MODE_SOFTWARE_3D | GFX_MODE_ZBUFFER;
    EXPECT_EQ(choose_device(needs_z, soft_a, false, true, DDBD_16, 0), D3DENUMRET_OK);
    EXPECT_EQ(needs_z.software_device, nullptr);  // no Z-buffer depth
    EXPECT_EQ(choose_device(needs_z, hard, true, false, DDBD_16, DDBD_16), D3DENUMRET_OK);
    EXPECT_EQ(needs_z.hardware_device, nullptr);  // hardware not asked for
}

TEST_F(Direct3DTest, TheLastAcceptableSoftwareDeviceIsChosen) {
    platform::set_devices({{"soft a", false, DDBD_16, DDBD_16, soft_a},
                           {"soft b", false, DDBD_16, DDBD_16, soft_b},
                           {"soft c", false, DDBD_32, DDBD_16, GUID{0xD, 0, 0, {}}}});
    EXPECT_EQ(setup(GFX_MODE_SOFTWARE_3D), 1);
    EXPECT_EQ(gfx_last_error(), 0);
}

TEST_F(Direct3DTest, NoAcceptableDeviceLeavesTheDisplayWithoutOne) {
    platform::set_devices({{"soft", false, DDBD_32, DDBD_16, soft_a}});
    EXPECT_EQ(setup(GFX_MODE_SOFTWARE_3D | GFX_MODE_HARDWARE_3D), 0);
    EXPECT_EQ(gfx_last_error(), 0);
    EXPECT_EQ(display.d3d_device, nullptr);
    EXPECT_NE(display.memory_dc, nullptr);  // set-up went on to its end
}

TEST_F(Direct3DTest, ZBufferDepthsAreTriedFromTheDeepest) {
    platform::set_devices({{"hard", true, DDBD_16, DDBD_16 | DDBD_24, hard}});
    platform::fail_after("IDirectDraw7::CreateSurface", 1, 1, DDERR_OUTOFMEMORY);  // the 24-bit Z-buffer
    EXPECT_EQ(setup(GFX_MODE_HARDWARE_3D | GFX_MODE_ZBUFFER), 2);
    auto creates = platform::calls_named("IDirectDraw7::CreateSurface");
    ASSERT_EQ(creates.size(), 3u);  // primary, 24-bit and 16-bit Z-buffers
    EXPECT_EQ(creates[1].args[2], "0x24000");
    EXPECT_NE(display.zbuffer, nullptr);
    EXPECT_EQ(gfx_last_error(), 0);
}

TEST_F(Direct3DTest, EveryZBufferDepthFailing) {
    platform::set_devices({{"soft", false, DDBD_16, DDBD_16 | DDBD_32, soft_a}});
    platform::fail_next("IDirect3D7::CreateDevice", 2, DDERR_GENERIC);
    EXPECT_EQ(setup(GFX_MODE_SOFTWARE_3D | GFX_MODE_ZBUFFER), 0);
    EXPECT_EQ(display.zbuffer, nullptr);
    EXPECT_EQ(gfx_last_error(), DDERR_NOZBUFFERHW);
    // Each failed device attempt took its Z-buffer off again.
    EXPECT_EQ(platform::calls_named("IDirectDrawSurface7::DeleteAttachedSurface").size(), 2u);
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(Direct3DTest, VersionsSixAndFiveUseAViewportObject) {
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    EXPECT_EQ(setup(GFX_MODE_HARDWARE_3D | GFX_MODE_ZBUFFER), 2);
    EXPECT_EQ(display.ddraw_version, 6);
    EXPECT_NE(display.viewport, nullptr);
    auto data = platform::calls_named("IDirect3DViewport3::SetViewport2");
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].args[1], "44");
    EXPECT_EQ(platform::calls_named("IDirect3DDevice3::SetCurrentViewport").size(), 1u);
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::misuse_count(), 0);

    restart();
    platform::set_export_available("DDRAW.DLL", "DirectDrawCreateEx", false);
    platform::fail_next("IDirectDraw::QueryInterface", 1, E_NOINTERFACE);
    EXPECT_EQ(setup(GFX_MODE_SOFTWARE_3D | GFX_MODE_ZBUFFER), 1);
    EXPECT_EQ(display.ddraw_version, 5);
    auto zbuffers = platform::calls_named("IDirectDraw7::CreateSurface");
    ASSERT_GE(zbuffers.size(), 2u);
    EXPECT_EQ(zbuffers[1].args[1], "0x47");
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
}

// Any failing Direct3D call leaves a usable display and its code.
class Direct3DFailureTest : public Direct3DTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(Direct3DFailureTest, TheDisplayStaysWithoutADevice) {
    const HRESULT code = static_cast<HRESULT>(0x88760000u + 901);
    platform::fail_next(GetParam(), 1, code);
    EXPECT_EQ(setup(GFX_MODE_HARDWARE_3D), 0);
    EXPECT_EQ(gfx_last_error(), code);
    EXPECT_EQ(display.zbuffer, nullptr);
    EXPECT_EQ(gfx_select_buffer(0), 0);
    gfx_shutdown();
    EXPECT_EQ(platform::live_objects(), 0);
}

INSTANTIATE_TEST_SUITE_P(Calls, Direct3DFailureTest,
                         ::testing::Values("IDirectDraw7::QueryInterface", "IDirect3D7::EnumDevices",
                                           "IDirect3D7::CreateDevice", "IDirect3DDevice7::SetViewport"));

TEST_F(Direct3DTest, ThreeDFlagsWithoutAFlipChainAreIgnored) {
    gfx_request_mode(640, 480, 16, GFX_MODE_HARDWARE_3D);
    EXPECT_EQ(gfx_setup_display(), 0);
    EXPECT_EQ(display.d3d, nullptr);
}

}  // namespace
