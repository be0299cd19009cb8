// Direct3D of the portable platform: the Direct3D 7, 3 and 2 interfaces
// reached through DirectDraw, device enumeration from the configured device
// list, devices on a 3D-capable surface, and viewports.
#include <cstring>
#include <string>

#include "objects.h"

namespace platform::detail {
namespace {

DWORD offered_depths(const platform::OfferedDevice& offered) { return offered.render_depths; }

const platform::OfferedDevice* device_with(REFCLSID guid) {
    for (const platform::OfferedDevice& offered : world().devices) {
        if (offered.guid == guid) return &offered;
    }
    return nullptr;
}

DWORD depth_flag(int bits) {
    return bits == 8 ? DDBD_8 : bits == 16 ? DDBD_16 : bits == 24 ? DDBD_24 : bits == 32 ? DDBD_32 : 0;
}

// A device may render on a surface made for 3D whose depth it supports.
HRESULT check_render_target(REFCLSID guid, IDirectDrawSurface7* surface_interface, Surface*& surface) {
    surface = static_cast<Surface*>(surface_interface);
    const platform::OfferedDevice* offered = device_with(guid);
    if (offered == nullptr || surface == nullptr || !surface->alive) return DDERR_INVALIDPARAMS;
    if (!(surface->caps & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
    if (!(offered_depths(*offered) & depth_flag(surface->bits))) return DDERR_INVALIDPIXELFORMAT;
    return DD_OK;
}

struct Viewport final : ComObject<IDirect3DViewport3> {
    Viewport() : ComObject("IDirect3DViewport3") {}

    HRESULT STDMETHODCALLTYPE SetViewport2(D3DVIEWPORT2* viewport) override {
        if (auto failed =
                call<HRESULT>("SetViewport2",
                              {ptr(this), viewport ? num(viewport->dwSize) : "null",
                               viewport ? num(viewport->dwWidth) : "null", viewport ? num(viewport->dwHeight) : "null",
                               viewport ? flt(viewport->dvClipX) + "," + flt(viewport->dvClipY) + "," +
                                              flt(viewport->dvClipWidth) + "x" + flt(viewport->dvClipHeight)
                                        : "null",
                               viewport ? flt(viewport->dvMinZ) + ".." + flt(viewport->dvMaxZ) : "null"})) {
            return *failed;
        }
        if (!check_alive("SetViewport2")) return DDERR_INVALIDOBJECT;
        if (viewport == nullptr || viewport->dwSize != sizeof(D3DVIEWPORT2) || !attached) return DDERR_INVALIDPARAMS;
        data = *viewport;
        return DD_OK;
    }

    bool attached = false;
    D3DVIEWPORT2 data{};
};

struct Device7 final : ComObject<IDirect3DDevice7> {
    explicit Device7(Surface* target) : ComObject("IDirect3DDevice7"), surface(target) { surface->add_ref(); }
    void destroy() override {
        surface->release();
        surface = nullptr;
    }

    HRESULT STDMETHODCALLTYPE SetViewport(D3DVIEWPORT7* viewport) override {
        if (auto failed = call<HRESULT>(
                "SetViewport", {ptr(this), viewport ? num(viewport->dwX) + "," + num(viewport->dwY) : "null",
                                viewport ? num(viewport->dwWidth) : "null", viewport ? num(viewport->dwHeight) : "null",
                                viewport ? flt(viewport->dvMinZ) + ".." + flt(viewport->dvMaxZ) : "null"})) {
            return *failed;
        }
        if (!check_alive("SetViewport")) return DDERR_INVALIDOBJECT;
        if (viewport == nullptr || viewport->dwX + viewport->dwWidth > static_cast<DWORD>(surface->width) ||
            viewport->dwY + viewport->dwHeight > static_cast<DWORD>(surface->height)) {
            return DDERR_INVALIDPARAMS;
        }
        data = *viewport;
        return DD_OK;
    }

    Surface* surface;
    D3DVIEWPORT7 data{};
};

struct Device3 final : ComObject<IDirect3DDevice3> {
    explicit Device3(Surface* target) : ComObject("IDirect3DDevice3"), surface(target) { surface->add_ref(); }
    void destroy() override {
        for (Viewport* viewport : viewports) viewport->release();
        viewports.clear();
        surface->release();
        surface = nullptr;
    }

    HRESULT STDMETHODCALLTYPE AddViewport(IDirect3DViewport3* viewport) override {
        if (auto failed = call<HRESULT>("AddViewport", {ptr(this), ptr(viewport)})) {
            return *failed;
        }
        if (!check_alive("AddViewport")) return DDERR_INVALIDOBJECT;
        auto* added = static_cast<Viewport*>(viewport);
        if (added == nullptr || !added->alive || added->attached) return DDERR_INVALIDPARAMS;
        added->add_ref();
        added->attached = true;
        viewports.push_back(added);
        return DD_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentViewport(IDirect3DViewport3* viewport) override {
        if (auto failed = call<HRESULT>("SetCurrentViewport", {ptr(this), ptr(viewport)})) {
            return *failed;
        }
        if (!check_alive("SetCurrentViewport")) return DDERR_INVALIDOBJECT;
        for (Viewport* added : viewports) {
            if (added == viewport) {
                current = added;
                return DD_OK;
            }
        }
        return DDERR_INVALIDPARAMS;
    }

    Surface* surface;
    std::vector<Viewport*> viewports;
    Viewport* current = nullptr;
};

// One object serves the three Direct3D interfaces; `version` says which
// one it was asked for, and calls name that interface in the log.
struct Direct3D final : ComObject<IDirect3D7, IDirect3D3, IDirect3D2> {
    Direct3D(DirectDraw* owner, int which)
        : ComObject(which == 7   ? "IDirect3D7"
                    : which == 3 ? "IDirect3D3"
                                 : "IDirect3D2"),
          ddraw(owner),
          version(which) {
        ddraw->add_ref();
    }
    void destroy() override {
        ddraw->release();
        ddraw = nullptr;
    }

    HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) override {
        if (auto failed = call<HRESULT>("EnumDevices", {ptr(this), ptr(context)})) return *failed;
        if (!check_alive("EnumDevices")) return DDERR_INVALIDOBJECT;
        if (callback == nullptr) return DDERR_INVALIDPARAMS;
        for (const platform::OfferedDevice& offered : world().devices) {
            D3DDEVICEDESC7 desc{};
            desc.dwDevCaps = offered.hardware ? D3DDEVCAPS_HWRASTERIZATION : 0;
            desc.dwDeviceRenderBitDepth = offered.render_depths;
            desc.dwDeviceZBufferBitDepth = offered.zbuffer_depths;
            desc.deviceGUID = offered.guid;
            std::string name = offered.name;
            std::string description = offered.name + (offered.hardware ? " (hardware)" : " (software)");
            if (callback(description.data(), name.data(), &desc, context) == D3DENUMRET_CANCEL) break;
        }
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE EnumDevices(LPD3DENUMDEVICESCALLBACK callback, void* context) override {
        if (auto failed = call<HRESULT>("EnumDevices", {ptr(this), ptr(context)})) return *failed;
        if (!check_alive("EnumDevices")) return DDERR_INVALIDOBJECT;
        if (callback == nullptr) return DDERR_INVALIDPARAMS;
        for (const platform::OfferedDevice& offered : world().devices) {
            // A hardware device describes itself in the hardware record; an
            // emulated one leaves that record's colour model empty.
            D3DDEVICEDESC hardware{};
            D3DDEVICEDESC software{};
            hardware.dwSize = software.dwSize = sizeof(D3DDEVICEDESC);
            D3DDEVICEDESC& own = offered.hardware ? hardware : software;
            own.dcmColorModel = D3DCOLOR_RGB;
            own.dwDevCaps = offered.hardware ? D3DDEVCAPS_HWRASTERIZATION : 0;
            own.dwDeviceRenderBitDepth = offered.render_depths;
            own.dwDeviceZBufferBitDepth = offered.zbuffer_depths;
            GUID guid = offered.guid;
            std::string name = offered.name;
            std::string description = offered.name + (offered.hardware ? " (hardware)" : " (software)");
            if (callback(&guid, description.data(), name.data(), &hardware, &software, context) == D3DENUMRET_CANCEL) {
                break;
            }
        }
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID guid, LPDIRECTDRAWSURFACE7 surface,
                                           IDirect3DDevice7** out) override {
        return create_device<Device7>(guid, surface, out);
    }

    HRESULT STDMETHODCALLTYPE CreateViewport(IDirect3DViewport3** viewport, IUnknown* outer) override {
        if (auto failed = call<HRESULT>("CreateViewport", {ptr(this), ptr(viewport), ptr(outer)})) {
            if (viewport != nullptr) *viewport = nullptr;
            return *failed;
        }
        if (viewport == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
        *viewport = nullptr;
        if (!check_alive("CreateViewport")) return DDERR_INVALIDOBJECT;
        *viewport = static_cast<Viewport*>(adopt(std::make_unique<Viewport>()));
        return DD_OK;
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID guid, IDirectDrawSurface4* surface, IDirect3DDevice3** out,
                                           IUnknown* outer) override {
        if (outer != nullptr) return DDERR_INVALIDPARAMS;
        return create_device3(guid, surface, out);
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFCLSID guid, IDirectDrawSurface* surface,
                                           IDirect3DDevice2** out) override {
        return create_device3(guid, surface, out);
    }

    HRESULT create_device3(REFCLSID guid, IDirectDrawSurface7* surface, IDirect3DDevice3** out) {
        return create_device<Device3>(guid, surface, out);
    }

    // A device of the interface's time on a surface made for 3D.
    template <class Made, class Interface>
    HRESULT create_device(REFCLSID guid, IDirectDrawSurface7* surface, Interface** out) {
        if (auto failed = call<HRESULT>("CreateDevice", {ptr(this), ptr(surface), ptr(out)})) {
            if (out != nullptr) *out = nullptr;
            return *failed;
        }
        if (out == nullptr) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if (!check_alive("CreateDevice")) return DDERR_INVALIDOBJECT;
        Surface* target = nullptr;
        if (HRESULT result = check_render_target(guid, surface, target); result != DD_OK) return result;
        *out = static_cast<Made*>(adopt(std::make_unique<Made>(target)));
        return DD_OK;
    }

    DirectDraw* ddraw;
    int version;
};

}  // namespace

IUnknown* make_direct3d(DirectDraw* ddraw, int version) {
    auto* made = static_cast<Direct3D*>(Tracked::adopt(std::make_unique<Direct3D>(ddraw, version)));
    if (version == 7) return static_cast<IDirect3D7*>(made);
    if (version == 3) return static_cast<IDirect3D3*>(made);
    return static_cast<IDirect3D2*>(made);
}

}  // namespace platform::detail
