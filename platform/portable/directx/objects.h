// The objects behind the portable DirectDraw and Direct3D interfaces.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "../control/control.h"
#include "com.h"

namespace platform::detail {

struct Surface;

// What one DirectDraw object (with all its interfaces) knows of the display.
struct Device {
    int interfaces = 0;
    DWORD cooperative = 0;
    bool exclusive = false;
    HWND window = nullptr;
    int mode_width = 0;
    int mode_height = 0;
    int mode_bits = 0;
    Surface* primary = nullptr;
    int flips = 0;  // 1 while the page GDI drew on is the back page
    // When the last flip was asked for, on the host's clock: the display
    // takes one flip at a time.
    std::uint64_t last_flip_ns = 0;
    bool flipped = false;

    void free_children();
};

struct Palette final : ComObject<IDirectDrawPalette> {
    explicit Palette(Device* owner) : ComObject("IDirectDrawPalette"), device(owner) {}
    Device* device_owner() const override { return device; }

    HRESULT STDMETHODCALLTYPE GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;
    HRESULT STDMETHODCALLTYPE SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY entries) override;

    Device* device;
    std::array<PALETTEENTRY, 256> entries{};
};

struct Clipper final : ComObject<IDirectDrawClipper> {
    explicit Clipper(Device* owner) : ComObject("IDirectDrawClipper"), device(owner) {}
    Device* device_owner() const override { return device; }

    HRESULT STDMETHODCALLTYPE SetHWnd(DWORD flags, HWND window) override;

    Device* device;
    HWND window = nullptr;
};

struct Surface final : ComObject<IDirectDrawSurface7> {
    Surface(std::shared_ptr<Device> owner, int width, int height, DDPIXELFORMAT format, DWORD caps);
    void destroy() override;
    Device* device_owner() const override { return device.get(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface) override;
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT source_rect,
                                      DWORD flags) override;
    HRESULT STDMETHODCALLTYPE DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 surface) override;
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* surface) override;
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC2 desc) override;
    HRESULT STDMETHODCALLTYPE IsLost() override;
    HRESULT STDMETHODCALLTYPE Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) override;
    HRESULT STDMETHODCALLTYPE Restore() override;
    HRESULT STDMETHODCALLTYPE SetClipper(LPDIRECTDRAWCLIPPER clipper) override;
    HRESULT STDMETHODCALLTYPE SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT STDMETHODCALLTYPE Unlock(LPRECT rect) override;

    void fill_description(DDSURFACEDESC2& desc) const;
    void scramble();
    void come_back();  // lost no more: restored memory, maybe with another pitch
    void present() const;
    // Before the pixels change or go: the host may be showing them.
    void changing() const;

    std::shared_ptr<Device> device;
    int width;
    int height;
    int bits = 0;
    int pitch = 0;
    DDPIXELFORMAT format;
    DWORD caps;
    std::vector<std::uint8_t> memory;
    bool lost = false;
    bool locked = false;
    Palette* palette = nullptr;
    Clipper* clipper = nullptr;
    Surface* back = nullptr;   // the implicit back buffer of a flip chain's front
    Surface* front = nullptr;  // for that back buffer: its front
    // The surface description record of the interface that made it: the
    // newer one through IDirectDraw4 and 7, the older one through IDirectDraw2.
    DWORD description_size = sizeof(DDSURFACEDESC2);
    std::vector<Surface*> attached;
};

struct DirectDrawV1 final : ComObject<IDirectDraw> {
    explicit DirectDrawV1(std::shared_ptr<Device> device);
    void destroy() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;

    std::shared_ptr<Device> device;
};

struct DirectDraw final : ComObject<IDirectDraw7> {
    DirectDraw(std::shared_ptr<Device> device, int version, DirectDrawV1* parent);
    void destroy() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                            IUnknown* outer) override;
    HRESULT STDMETHODCALLTYPE FlipToGDISurface() override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh,
                                             DWORD flags) override;

    std::shared_ptr<Device> device;
    int version;  // 7, 4 or 2: the interface this object stands for
    DirectDrawV1* parent;
};

struct DDrawWorld {
    std::vector<std::unique_ptr<Tracked>> objects;
    std::vector<platform::DisplayMode> modes{{640, 480, 8}, {640, 480, 16}, {640, 480, 24}, {640, 480, 32}};
    bool rgb16_555 = false;
    bool display_available = true;
    bool restore_moves_pitch = false;
    int desktop_width = 1024;
    int desktop_height = 768;
    std::vector<platform::OfferedDevice> devices{
        {"Portable RGB Emulation", false, DDBD_8 | DDBD_16 | DDBD_24 | DDBD_32, DDBD_16 | DDBD_24 | DDBD_32,
         GUID{0xA4665C60, 0x2673, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}}},
        {"Portable HAL", true, DDBD_16 | DDBD_32, DDBD_16 | DDBD_24 | DDBD_32,
         GUID{0x84E63DE0, 0x46AA, 0x11CF, {0x81, 0x6F, 0x00, 0x00, 0xC0, 0x20, 0x15, 0x6E}}}};

    DWORD zbuffer_depths() const;
};

DDrawWorld& world();
DDPIXELFORMAT display_format(int bits);
bool valid_description_size(DWORD size);
// The Direct3D interface (7, 3 or 2) reached through a DirectDraw object.
IUnknown* make_direct3d(DirectDraw* ddraw, int version);

}  // namespace platform::detail
