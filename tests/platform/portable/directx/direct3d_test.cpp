#include <string>
#include <vector>

#include "../../../support/ddraw_helpers.h"
#include "../../../support/platform_fixture.h"

namespace {

struct Enumerated {
    std::vector<std::string> names;
    std::vector<bool> hardware;
    int stop_after = 100;
};

HRESULT CALLBACK collect7(char*, char* name, D3DDEVICEDESC7* desc, void* context) {
    auto* seen = static_cast<Enumerated*>(context);
    seen->names.push_back(name);
    seen->hardware.push_back((desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) != 0);
    return static_cast<int>(seen->names.size()) >= seen->stop_after ? D3DENUMRET_CANCEL : D3DENUMRET_OK;
}

HRESULT CALLBACK collect(GUID*, char*, char* name, D3DDEVICEDESC* hardware, D3DDEVICEDESC* software, void* context) {
    auto* seen = static_cast<Enumerated*>(context);
    seen->names.push_back(name);
    seen->hardware.push_back(hardware->dcmColorModel != 0);
    EXPECT_NE(hardware->dcmColorModel != 0, software->dcmColorModel != 0);
    return D3DENUMRET_OK;
}

class D3DTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::set_devices({{"soft A", false, DDBD_16, DDBD_16, GUID{1, 0, 0, {}}},
                               {"hard", true, DDBD_16 | DDBD_32, DDBD_16 | DDBD_24, GUID{2, 0, 0, {}}},
                               {"soft B", false, DDBD_8, 0, GUID{3, 0, 0, {}}}});
        window_ = create_test_window();
        ddraw_ = create_ddraw7();
    }
    HWND window_ = nullptr;
    IDirectDraw7* ddraw_ = nullptr;
};

TEST_F(D3DTest, EnumerationFollowsTheListAndStopsOnCancel) {
    IDirect3D7* d3d = nullptr;
    ASSERT_EQ(ddraw_->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)), DD_OK);
    Enumerated seen;
    ASSERT_EQ(d3d->EnumDevices(collect7, &seen), DD_OK);
    EXPECT_EQ(seen.names, (std::vector<std::string>{"soft A", "hard", "soft B"}));
    EXPECT_EQ(seen.hardware, (std::vector<bool>{false, true, false}));
    Enumerated stopped;
    stopped.stop_after = 2;
    d3d->EnumDevices(collect7, &stopped);
    EXPECT_EQ(stopped.names.size(), 2u);
    EXPECT_EQ(d3d->Release(), 0u);
}

TEST_F(D3DTest, OlderInterfacesDescribeHardwareAndSoftwareSeparately) {
    LPDIRECTDRAW old = create_ddraw1();
    ASSERT_NE(old, nullptr);
    IDirectDraw7* two = nullptr;
    old->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&two));
    IDirect3D2* d3d = nullptr;
    ASSERT_EQ(two->QueryInterface(IID_IDirect3D2, reinterpret_cast<void**>(&d3d)), DD_OK);
    Enumerated seen;
    d3d->EnumDevices(collect, &seen);
    EXPECT_EQ(seen.hardware, (std::vector<bool>{false, true, false}));
}

TEST_F(D3DTest, DevicesNeedA3DSurfaceOfADepthTheyRender) {
    ddraw_->SetCooperativeLevel(window_, 0x53);
    ddraw_->SetDisplayMode(640, 480, 16, 0, 0);
    auto desc = description();
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(ddraw_->CreateSurface(&desc, &primary, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    primary->GetAttachedSurface(&caps, &back);

    auto z = description();
    z.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    z.dwWidth = 640;
    z.dwHeight = 480;
    z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
    z.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    z.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
    z.ddpfPixelFormat.dwZBufferBitDepth = 32;
    IDirectDrawSurface7* zbuffer = nullptr;
    EXPECT_EQ(ddraw_->CreateSurface(&z, &zbuffer, nullptr), DDERR_INVALIDPIXELFORMAT);  // nobody offers 32
    z.ddpfPixelFormat.dwZBufferBitDepth = 24;
    ASSERT_EQ(ddraw_->CreateSurface(&z, &zbuffer, nullptr), DD_OK);
    EXPECT_EQ(back->AddAttachedSurface(zbuffer), DD_OK);
    EXPECT_EQ(back->AddAttachedSurface(zbuffer), DDERR_SURFACEALREADYATTACHED);

    IDirect3D7* d3d = nullptr;
    ddraw_->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d));
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(d3d->CreateDevice(GUID{3, 0, 0, {}}, back, &device), DDERR_INVALIDPIXELFORMAT);  // 8-bit only
    ASSERT_EQ(d3d->CreateDevice(GUID{2, 0, 0, {}}, back, &device), DD_OK);
    D3DVIEWPORT7 viewport{0, 0, 640, 480, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&viewport), DD_OK);
    viewport.dwWidth = 641;
    EXPECT_EQ(device->SetViewport(&viewport), DDERR_INVALIDPARAMS);
    device->Release();
    d3d->Release();
    EXPECT_EQ(back->DeleteAttachedSurface(0, zbuffer), DD_OK);
    zbuffer->Release();
    ddraw_->Release();
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(D3DTest, ViewportsOfVersionSixMustBeAddedBeforeUse) {
    LPDIRECTDRAW old = create_ddraw1();
    ASSERT_NE(old, nullptr);
    IDirectDraw7* four = nullptr;
    old->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&four));
    four->SetCooperativeLevel(window_, 0x53);
    four->SetDisplayMode(640, 480, 16, 0, 0);
    auto desc = description();
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* primary = nullptr;
    four->CreateSurface(&desc, &primary, nullptr);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    primary->GetAttachedSurface(&caps, &back);
    IDirect3D3* d3d = nullptr;
    ASSERT_EQ(four->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)), DD_OK);
    IDirect3DDevice3* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(GUID{1, 0, 0, {}}, back, &device, nullptr), DD_OK);
    IDirect3DViewport3* viewport = nullptr;
    ASSERT_EQ(d3d->CreateViewport(&viewport, nullptr), DD_OK);
    EXPECT_EQ(device->SetCurrentViewport(viewport), DDERR_INVALIDPARAMS);
    D3DVIEWPORT2 data{sizeof(D3DVIEWPORT2), 0, 0, 640, 480, 0, 0, 640, 480, 0, 1};
    EXPECT_EQ(viewport->SetViewport2(&data), DDERR_INVALIDPARAMS);  // not yet on a device
    EXPECT_EQ(device->AddViewport(viewport), DD_OK);
    EXPECT_EQ(viewport->SetViewport2(&data), DD_OK);
    EXPECT_EQ(device->SetCurrentViewport(viewport), DD_OK);
    viewport->Release();
    device->Release();
    d3d->Release();
    four->Release();
    old->Release();
    ddraw_->Release();
    EXPECT_EQ(platform::live_objects(), 0);
    EXPECT_EQ(platform::misuse_count(), 0);
}

}  // namespace
