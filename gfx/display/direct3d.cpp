// The Direct3D step of display set-up: device choice, Z-buffer, device and
// viewport, for the Direct3D 7, 3 and 2 interfaces.
#include "gfx/display/direct3d.h"

#include "gfx/state.h"

namespace {

// Render depth codes of 8, 16, 24 and 32 bits: the depth flags shifted down.
constexpr std::uint8_t render_depth_codes[4] = {8, 4, 2, 1};

std::uint8_t render_depth_code(std::int32_t bits) {
    const std::int32_t index = bits / 8 - 1;
    return index >= 0 && index < 4 ? render_depth_codes[index] : 0;
}

HRESULT CALLBACK enumerate7(char*, char*, D3DDEVICEDESC7* desc, void* context) {
    if (desc == nullptr || context == nullptr) return D3DENUMRET_OK;
    const bool hardware = (desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) != 0;
    return choose_device(*static_cast<DeviceChoice*>(context), desc->deviceGUID, hardware, !hardware,
                         desc->dwDeviceRenderBitDepth, desc->dwDeviceZBufferBitDepth);
}

HRESULT CALLBACK enumerate(GUID* guid, char*, char*, D3DDEVICEDESC* hardware_desc, D3DDEVICEDESC* software_desc,
                           void* context) {
    if (guid == nullptr || hardware_desc == nullptr || software_desc == nullptr || context == nullptr) {
        return D3DENUMRET_OK;
    }
    const bool hardware = hardware_desc->dcmColorModel != 0;
    const bool software = !hardware && software_desc->dcmColorModel != 0;
    const D3DDEVICEDESC& own = hardware ? *hardware_desc : *software_desc;
    return choose_device(*static_cast<DeviceChoice*>(context), *guid, hardware, software, own.dwDeviceRenderBitDepth,
                         own.dwDeviceZBufferBitDepth);
}

HRESULT create_device(const GUID& device, IDirectDrawSurface7* back) {
    HRESULT result = E_FAIL;
    switch (display.ddraw_version) {
        case 7: {
            IDirect3DDevice7* made = nullptr;
            result = static_cast<IDirect3D7*>(display.d3d)->CreateDevice(device, back, &made);
            display.d3d_device = made;
            break;
        }
        case 6: {
            IDirect3DDevice3* made = nullptr;
            result = static_cast<IDirect3D3*>(display.d3d)
                         ->CreateDevice(device, reinterpret_cast<IDirectDrawSurface4*>(back), &made, nullptr);
            display.d3d_device = made;
            break;
        }
        default: {
            IDirect3DDevice2* made = nullptr;
            result = static_cast<IDirect3D2*>(display.d3d)
                         ->CreateDevice(device, reinterpret_cast<IDirectDrawSurface*>(back), &made);
            display.d3d_device = made;
            break;
        }
    }
    if (FAILED(result)) display.d3d_device = nullptr;
    return result;
}

HRESULT create_zbuffer(int depth, DWORD caps) {
    clear_surface_desc();
    DDSURFACEDESC2& desc = display.surface_desc;
    desc.dwWidth = static_cast<DWORD>(display.mode_width);
    desc.dwHeight = static_cast<DWORD>(display.mode_height);
    desc.ddsCaps.dwCaps = caps;
    if (display.ddraw_version == 5) {
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_ZBUFFERBITDEPTH;
        // The older record keeps the depth where the newer one has the
        // back buffer count's neighbour.
        reinterpret_cast<DDSURFACEDESC*>(&desc)->dwZBufferBitDepth = static_cast<DWORD>(depth);
    } else {
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        desc.ddpfPixelFormat.dwFlags = DDPF_ZBUFFER;
        desc.ddpfPixelFormat.dwZBufferBitDepth = static_cast<DWORD>(depth);
        desc.ddpfPixelFormat.dwZBitMask = depth >= 32 ? 0xFFFFFFFFu : ((1u << depth) - 1u);
    }
    return display.ddraw->CreateSurface(&desc, &display.zbuffer, nullptr);
}

HRESULT set_viewport() {
    const auto width = static_cast<DWORD>(display.mode_width);
    const auto height = static_cast<DWORD>(display.mode_height);
    if (display.ddraw_version == 7) {
        D3DVIEWPORT7 viewport{0, 0, width, height, 0.0f, 1.0f};
        return static_cast<IDirect3DDevice7*>(display.d3d_device)->SetViewport(&viewport);
    }
    IDirect3DViewport3* viewport = nullptr;
    HRESULT result = display.ddraw_version == 6
                         ? static_cast<IDirect3D3*>(display.d3d)->CreateViewport(&viewport, nullptr)
                         : static_cast<IDirect3D2*>(display.d3d)
                               ->CreateViewport(reinterpret_cast<IDirect3DViewport2**>(&viewport), nullptr);
    if (FAILED(result)) return result;
    display.viewport = viewport;
    auto* device = static_cast<IDirect3DDevice3*>(display.d3d_device);
    if (display.ddraw_version == 6) {
        result = device->AddViewport(viewport);
    } else {
        result =
            reinterpret_cast<IDirect3DDevice2*>(device)->AddViewport(reinterpret_cast<IDirect3DViewport2*>(viewport));
    }
    if (FAILED(result)) return result;
    D3DVIEWPORT2 data{};
    data.dwSize = sizeof data;
    data.dwWidth = width;
    data.dwHeight = height;
    data.dvClipWidth = static_cast<D3DVALUE>(display.mode_width);
    data.dvClipHeight = static_cast<D3DVALUE>(display.mode_height);
    data.dvMinZ = 0.0f;
    data.dvMaxZ = 1.0f;
    result = viewport->SetViewport2(&data);
    if (FAILED(result)) return result;
    if (display.ddraw_version == 6) return device->SetCurrentViewport(viewport);
    return reinterpret_cast<IDirect3DDevice2*>(device)->SetCurrentViewport(
        reinterpret_cast<IDirect3DViewport2*>(viewport));
}

void fail_3d(HRESULT code) {
    display.device_kind = 0;
    display.zbuffer = nullptr;
    display.last_error = code;
}

}  // namespace

HRESULT choose_device(DeviceChoice& choice, const GUID& guid, bool hardware, bool software, DWORD render_depths,
                      DWORD zbuffer_depths) {
    if (!hardware && !software) return D3DENUMRET_OK;
    if (hardware && !(choice.flags & GFX_MODE_HARDWARE_3D)) return D3DENUMRET_OK;
    if (software && !(choice.flags & GFX_MODE_SOFTWARE_3D)) return D3DENUMRET_OK;
    if (!((render_depths >> 8) & choice.display_depth_bit)) return D3DENUMRET_OK;
    const auto depths = static_cast<std::uint8_t>((zbuffer_depths >> 8) & 0xFF);
    if ((choice.flags & GFX_MODE_ZBUFFER) && (depths & 0x0F) == 0) return D3DENUMRET_OK;
    if (hardware) {
        // The first acceptable hardware device ends the search.
        choice.hardware_guid = guid;
        choice.hardware_device = &choice.hardware_guid;
        choice.hardware_depths = depths;
        return D3DENUMRET_CANCEL;
    }
    // A later software device replaces this one; a later hardware one wins.
    choice.software_guid = guid;
    choice.software_device = &choice.software_guid;
    choice.software_depths = depths;
    return D3DENUMRET_OK;
}

void setup_direct3d() {
    const IID& wanted = display.ddraw_version == 7   ? IID_IDirect3D7
                        : display.ddraw_version == 6 ? IID_IDirect3D3
                                                     : IID_IDirect3D2;
    void* d3d = nullptr;
    HRESULT result = display.ddraw->QueryInterface(wanted, &d3d);
    if (FAILED(result) || d3d == nullptr) return fail_3d(FAILED(result) ? result : E_NOINTERFACE);
    // Kept as IUnknown through the interface the version asked for.
    if (display.ddraw_version == 7) {
        display.d3d = static_cast<IDirect3D7*>(d3d);
    } else if (display.ddraw_version == 6) {
        display.d3d = static_cast<IDirect3D3*>(d3d);
    } else {
        display.d3d = static_cast<IDirect3D2*>(d3d);
    }

    DeviceChoice choice;
    choice.display_depth_bit = render_depth_code(display.mode_bits);
    choice.flags = static_cast<std::uint8_t>(display.mode_flags & 0xFF);
    if (display.ddraw_version == 7) {
        result = static_cast<IDirect3D7*>(display.d3d)->EnumDevices(enumerate7, &choice);
    } else if (display.ddraw_version == 6) {
        result = static_cast<IDirect3D3*>(display.d3d)->EnumDevices(enumerate, &choice);
    } else {
        result = static_cast<IDirect3D2*>(display.d3d)->EnumDevices(enumerate, &choice);
    }
    if (FAILED(result)) return fail_3d(result);

    const GUID* device = nullptr;
    DWORD zbuffer_caps = 0;
    std::uint8_t depths = 0;
    if (choice.hardware_device != nullptr) {
        display.device_kind = 2;
        device = choice.hardware_device;
        zbuffer_caps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
        depths = choice.hardware_depths;
    } else if (choice.software_device != nullptr) {
        display.device_kind = 1;
        device = choice.software_device;
        zbuffer_caps = DDSCAPS_ZBUFFER | DDSCAPS_SYSTEMMEMORY;
        depths = choice.software_depths;
    } else {
        return fail_3d(0);
    }

    IDirectDrawSurface7* back = buffer_table[0].surface;
    if (display.mode_flags & GFX_MODE_ZBUFFER) {
        if (depths == 0) return fail_3d(DDERR_NOZBUFFERHW);
        constexpr struct {
            int depth;
            std::uint8_t bit;
        } tries[4] = {{32, 1}, {24, 2}, {16, 4}, {8, 8}};
        bool made = false;
        for (const auto& attempt : tries) {
            if (!(depths & attempt.bit)) continue;
            display.last_error = 0;
            if (FAILED(create_zbuffer(attempt.depth, zbuffer_caps))) {
                display.zbuffer = nullptr;
                continue;
            }
            if (FAILED(back->AddAttachedSurface(display.zbuffer))) {
                display.zbuffer->Release();
                display.zbuffer = nullptr;
                continue;
            }
            if (FAILED(create_device(*device, back))) {
                back->DeleteAttachedSurface(0, display.zbuffer);
                display.zbuffer->Release();
                display.zbuffer = nullptr;
                continue;
            }
            made = true;
            break;
        }
        if (!made) return fail_3d(DDERR_NOZBUFFERHW);
    } else {
        result = create_device(*device, back);
        if (FAILED(result)) return fail_3d(result);
    }
    result = set_viewport();
    if (FAILED(result)) return fail_3d(result);
}
