#include <cstring>
#include <functional>

#include "../../../support/ddraw_helpers.h"
#include "../../../support/platform_fixture.h"

namespace {

class DDrawTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        window_ = create_test_window();
        ddraw_ = create_ddraw7();
        ASSERT_NE(ddraw_, nullptr);
    }

    // An exclusive 640 x 480 x bits display with a flip chain.
    IDirectDrawSurface7* flip_chain(int bits = 8) {
        EXPECT_EQ(ddraw_->SetCooperativeLevel(window_, 0x53), DD_OK);
        EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, bits, 0, 0), DD_OK);
        auto desc = description();
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY;
        desc.dwBackBufferCount = 1;
        IDirectDrawSurface7* primary = nullptr;
        EXPECT_EQ(ddraw_->CreateSurface(&desc, &primary, nullptr), DD_OK);
        return primary;
    }

    IDirectDrawSurface7* offscreen(int width, int height, int bits = 8) {
        auto desc = description();
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwRGBBitCount = bits;
        desc.ddpfPixelFormat.dwFlags = bits == 8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
        if (bits == 16) {
            desc.ddpfPixelFormat.dwRBitMask = 0xF800;
            desc.ddpfPixelFormat.dwGBitMask = 0x07E0;
            desc.ddpfPixelFormat.dwBBitMask = 0x001F;
        } else if (bits > 16) {
            desc.ddpfPixelFormat.dwRBitMask = 0xFF0000;
            desc.ddpfPixelFormat.dwGBitMask = 0x00FF00;
            desc.ddpfPixelFormat.dwBBitMask = 0x0000FF;
        }
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    static std::uint8_t* lock(IDirectDrawSurface7* surface, LONG& pitch) {
        auto desc = description();
        if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return nullptr;
        pitch = desc.lPitch;
        return static_cast<std::uint8_t*>(desc.lpSurface);
    }

    HWND window_ = nullptr;
    IDirectDraw7* ddraw_ = nullptr;
};

TEST_F(DDrawTest, DisplayModesComeFromTheOfferedList) {
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 8, 0, 0), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(ddraw_->SetCooperativeLevel(window_, 0x53), DD_OK);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 48, 0, 0), DDERR_UNSUPPORTEDMODE);
    platform::set_display_modes({{640, 480, 32}});
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 24, 0, 0), DDERR_UNSUPPORTEDMODE);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    EXPECT_EQ(ddraw_->SetCooperativeLevel(nullptr, 0x53), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, AHostWithoutADisplayRefusesEveryMode) {
    platform::set_host(std::make_unique<platform::HeadlessHost>(false));
    ddraw_->SetCooperativeLevel(window_, 0x53);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 8, 0, 0), DDERR_UNSUPPORTEDMODE);
}

TEST_F(DDrawTest, OffscreenSurfacesHaveAPitchWiderThanTheirRows) {
    IDirectDrawSurface7* surface = offscreen(637, 10);
    auto desc = description();
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 637u);
    EXPECT_GT(desc.lPitch, 637);
    EXPECT_EQ(desc.lPitch, platform::surface_pitch_for(637, 8));
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 8u);
    LONG pitch = 0;
    std::uint8_t* pixels = lock(surface, pitch);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pitch, desc.lPitch);
    pixels[9 * pitch + 636] = 7;  // the last pixel is inside the surface's memory
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    surface->Release();
}

TEST_F(DDrawTest, EachInterfaceTakesTheSurfaceRecordOfItsOwnVersion) {
    // Through IDirectDraw7, the newer record only.
    IDirectDrawSurface7* surface = offscreen(16, 16);
    DDSURFACEDESC old{};
    old.dwSize = sizeof old;
    auto* as_new = reinterpret_cast<DDSURFACEDESC2*>(&old);
    EXPECT_EQ(surface->GetSurfaceDesc(as_new), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Lock(nullptr, as_new, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    old.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    old.dwWidth = old.dwHeight = 8;
    old.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* made = nullptr;
    EXPECT_EQ(ddraw_->CreateSurface(as_new, &made, nullptr), DDERR_INVALIDPARAMS);
    surface->Release();

    // Through IDirectDraw2, the older record only, for the surfaces it makes too.
    LPDIRECTDRAW first = create_ddraw1();
    ASSERT_NE(first, nullptr);
    IDirectDraw7* two = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&two)), DD_OK);
    ASSERT_EQ(two->CreateSurface(as_new, &made, nullptr), DD_OK);
    EXPECT_EQ(made->GetSurfaceDesc(as_new), DD_OK);
    EXPECT_EQ(old.dwWidth, 8u);
    auto newer = description();
    EXPECT_EQ(made->GetSurfaceDesc(&newer), DDERR_INVALIDPARAMS);
    newer.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    newer.dwWidth = newer.dwHeight = 8;
    newer.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* refused = nullptr;
    EXPECT_EQ(two->CreateSurface(&newer, &refused, nullptr), DDERR_INVALIDPARAMS);
    made->Release();
    two->Release();
    first->Release();
}

TEST_F(DDrawTest, AFlipThatCannotWaitIsRefusedWhileTheLastIsPending) {
    IDirectDrawSurface7* primary = flip_chain();
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
    // Asked for at the same moment: the display has not taken the last one.
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(platform::headless_host()->frames(), 1);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    platform::headless_host()->advance_clock(16'000'000);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(platform::headless_host()->frames(), 3);
}

TEST_F(DDrawTest, TheBackBufferComesBackWithItsFrontOnly) {
    IDirectDrawSurface7* primary = flip_chain();
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    platform::lose_surfaces();
    EXPECT_EQ(back->Restore(), DDERR_IMPLICITLYCREATED);
    EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(back->IsLost(), DD_OK);
    back->Release();
}

TEST_F(DDrawTest, RgbSurfacesMustUseTheDisplaysMasks) {
    ddraw_->SetCooperativeLevel(window_, 0x53);
    ddraw_->SetDisplayMode(640, 480, 16, 0, 0);
    auto desc = description();
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwWidth = desc.dwHeight = 4;
    desc.ddsCaps.dwCaps = DDSCAPS_SYSTEMMEMORY;
    desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
    desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc.ddpfPixelFormat.dwRGBBitCount = 16;
    desc.ddpfPixelFormat.dwRBitMask = 0x7C00;
    desc.ddpfPixelFormat.dwGBitMask = 0x03E0;
    desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
    platform::set_rgb16_555(true);
    EXPECT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    ASSERT_EQ(surface->GetPixelFormat(&format), DD_OK);
    EXPECT_EQ(format.dwRBitMask, 0x7C00u);
    format.dwSize = 0;
    EXPECT_EQ(surface->GetPixelFormat(&format), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, FlipExchangesThePagesAndShowsTheNewFrontWithItsPalette) {
    IDirectDrawSurface7* primary = flip_chain();
    ASSERT_NE(primary, nullptr);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    PALETTEENTRY entries[256] = {};
    entries[5] = {10, 20, 30, 0};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(ddraw_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | DDPCAPS_ALLOW256, entries, &palette, nullptr),
              DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);

    LONG pitch = 0;
    std::uint8_t* pixels = lock(back, pitch);
    pixels[0] = 5;
    pixels[479 * pitch + 639] = 6;
    back->Unlock(nullptr);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);

    platform::HeadlessHost* host = platform::headless_host();
    EXPECT_EQ(host->frames(), 1);
    ASSERT_EQ(host->page().size(), 640u * 480u);
    EXPECT_EQ(host->page()[0], 5);
    EXPECT_EQ(host->page()[479 * 640 + 639], 6);
    EXPECT_EQ(host->page_palette()[5].peGreen, 20);
    // The back buffer now holds the page that was shown before (all zero).
    pixels = lock(back, pitch);
    EXPECT_EQ(pixels[0], 0);
    back->Unlock(nullptr);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(host->page()[0], 0);
    pixels = lock(back, pitch);
    EXPECT_EQ(pixels[0], 5);
    back->Unlock(nullptr);
    EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
}

// The host keeps the shown page by reference; whatever then writes into that
// memory (a lock, a blit, a restore's scramble) must leave the shown page as
// it was flipped. The page is not read between the flip and the write.
TEST_F(DDrawTest, TheShownPageSurvivesWritesIntoItsMemory) {
    IDirectDrawSurface7* primary = flip_chain();
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    IDirectDrawSurface7* source = offscreen(16, 16);
    LONG pitch = 0;
    std::uint8_t* nines = lock(source, pitch);
    std::memset(nines, 9, static_cast<std::size_t>(pitch) * 16);
    source->Unlock(nullptr);
    const std::function<void()> writes[] = {
        [&] {
            lock(primary, pitch)[0] = 9;
            primary->Unlock(nullptr);
        },
        [&] { primary->BltFast(0, 0, source, nullptr, DDBLTFAST_WAIT); },
        [&] {
            platform::lose_surfaces();
            primary->Restore();
        },
    };
    platform::HeadlessHost* host = platform::headless_host();
    for (std::size_t i = 0; i < std::size(writes); ++i) {
        lock(back, pitch)[0] = 0;
        back->Unlock(nullptr);
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        writes[i]();
        ASSERT_EQ(host->page().size(), 640u * 480u) << "write " << i;
        EXPECT_EQ(host->page()[0], 0) << "write " << i;
    }
}

TEST_F(DDrawTest, PaletteEntriesChangeInPlace) {
    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(ddraw_->CreatePalette(0x4C, entries, &palette, nullptr), DD_OK);
    PALETTEENTRY change[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    EXPECT_EQ(palette->SetEntries(0, 254, 2, change), DD_OK);
    EXPECT_EQ(palette->SetEntries(0, 255, 2, change), DDERR_INVALIDPARAMS);
    PALETTEENTRY read[2];
    ASSERT_EQ(palette->GetEntries(0, 254, 2, read), DD_OK);
    EXPECT_EQ(read[1].peBlue, 6);
    EXPECT_EQ(ddraw_->CreatePalette(0, entries, &palette, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, PrimaryChainsNeedExclusiveModeAndThereIsOnlyOnePrimary) {
    auto desc = description();
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    ddraw_->SetCooperativeLevel(window_, DDSCL_NORMAL);
    EXPECT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DDERR_NOEXCLUSIVEMODE);
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    desc.dwFlags = DDSD_CAPS;
    ASSERT_EQ(ddraw_->CreateSurface(&desc, &surface, nullptr), DD_OK);
    auto info = description();
    surface->GetSurfaceDesc(&info);
    EXPECT_EQ(info.ddpfPixelFormat.dwRGBBitCount, 32u);  // the desktop's depth
    IDirectDrawSurface7* second = nullptr;
    EXPECT_EQ(ddraw_->CreateSurface(&desc, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(ddraw_->CreateClipper(0, &clipper, nullptr), DD_OK);
    EXPECT_EQ(clipper->SetHWnd(0, window_), DD_OK);
    EXPECT_EQ(surface->SetClipper(clipper), DD_OK);
    EXPECT_EQ(surface->SetClipper(nullptr), DD_OK);
}

TEST_F(DDrawTest, BltFastCopiesRowsInOrderAndRefusesRectanglesOutside) {
    IDirectDrawSurface7* source = offscreen(64, 32);
    IDirectDrawSurface7* target = offscreen(64, 32);
    LONG pitch = 0;
    std::uint8_t* pixels = lock(source, pitch);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) pixels[y * pitch + x] = static_cast<std::uint8_t>(y * 8 + x % 8);
    }
    source->Unlock(nullptr);

    RECT area{10, 30, 20, 32};  // 10 x 2, reaching the last row
    EXPECT_EQ(target->BltFast(5, 0, source, &area, DDBLTFAST_WAIT), DD_OK);
    pixels = lock(target, pitch);
    EXPECT_EQ(pixels[0 * pitch + 5], 30 * 8 + 2);
    EXPECT_EQ(pixels[1 * pitch + 14], 31 * 8 + 3);
    EXPECT_EQ(pixels[0 * pitch + 15], 0);
    EXPECT_EQ(pixels[2 * pitch + 5], 0);
    target->Unlock(nullptr);

    RECT outside{60, 0, 65, 1};
    EXPECT_EQ(target->BltFast(0, 0, source, &outside, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT inverted{10, 5, 5, 6};
    EXPECT_EQ(target->BltFast(0, 0, source, &inverted, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT fits{0, 0, 10, 10};
    EXPECT_EQ(target->BltFast(60, 0, source, &fits, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(target->BltFast(0, 30, source, &fits, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    pixels = lock(target, pitch);
    EXPECT_EQ(pixels[0], 0);  // refused blits copied nothing
    target->Unlock(nullptr);
    EXPECT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_WAIT), DD_OK);  // the whole source
    IDirectDrawSurface7* deep = offscreen(64, 32, 32);
    EXPECT_EQ(deep->BltFast(0, 0, source, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(DDrawTest, LostSurfacesFailUntilRestoredAndComeBackScrambled) {
    IDirectDrawSurface7* primary = flip_chain();
    IDirectDrawSurface7* buffer = offscreen(16, 16);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    primary->GetAttachedSurface(&caps, &back);
    platform::lose_surfaces();
    auto desc = description();
    EXPECT_EQ(buffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(back->BltFast(0, 0, buffer, nullptr, DDBLTFAST_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    EXPECT_EQ(buffer->IsLost(), DDERR_SURFACELOST);

    platform::set_display_available(false);
    EXPECT_EQ(primary->Restore(), DDERR_WRONGMODE);
    platform::set_display_available(true);
    EXPECT_EQ(primary->Restore(), DD_OK);  // restores the chain
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(buffer->Restore(), DD_OK);
    LONG pitch = 0;
    std::uint8_t* pixels = lock(buffer, pitch);
    int nonzero = 0;
    for (int i = 0; i < 16; ++i) nonzero += pixels[i] != 0;
    EXPECT_GT(nonzero, 8);
    buffer->Unlock(nullptr);
}

TEST_F(DDrawTest, ReferencesAreCountedAndTheDirectDrawObjectTakesItsChildren) {
    IDirectDrawSurface7* primary = flip_chain();
    IDirectDrawSurface7* buffer = offscreen(8, 8);
    EXPECT_EQ(platform::live_objects(), 4);  // ddraw, front, back, buffer
    EXPECT_EQ(buffer->AddRef(), 2u);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(platform::live_objects(), 3);
    EXPECT_EQ(platform::misuse_count(), 0);
    buffer->Release();  // once too often: seen, not a crash
    EXPECT_EQ(platform::misuse_count(), 1);
    (void)primary;
    EXPECT_EQ(ddraw_->Release(), 0u);
    EXPECT_EQ(platform::live_objects(), 0);
}

TEST_F(DDrawTest, TheOldObjectLeadsToVersionsFourAndTwo) {
    LPDIRECTDRAW old = create_ddraw1();
    ASSERT_NE(old, nullptr);
    IDirectDraw7* four = nullptr;
    ASSERT_EQ(old->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&four)), DD_OK);
    IDirectDraw7* two = nullptr;
    ASSERT_EQ(old->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&two)), DD_OK);
    IUnknown* d3d = nullptr;
    EXPECT_EQ(four->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)), DD_OK);
    d3d->Release();
    EXPECT_EQ(two->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)), E_NOINTERFACE);
    four->Release();
    two->Release();
    EXPECT_EQ(platform::live_objects(), 2);  // the old object and the one from DirectDrawCreateEx
    old->Release();
    EXPECT_EQ(platform::live_objects(), 1);
}

TEST_F(DDrawTest, InjectedFailuresComeBackAsGivenAndAreLogged) {
    ddraw_->SetCooperativeLevel(window_, 0x53);
    platform::fail_next("IDirectDraw7::SetDisplayMode", 1, DDERR_GENERIC);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 8, 0, 0), DDERR_GENERIC);
    EXPECT_EQ(ddraw_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    auto calls = platform::calls_named("IDirectDraw7::SetDisplayMode");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args[1], "640");
    EXPECT_EQ(calls[0].args[3], "8");
    platform::fail_next("DirectDrawCreateEx", 1, DDERR_OUTOFMEMORY);
    EXPECT_EQ(create_ddraw7(), nullptr);
}

}  // namespace
