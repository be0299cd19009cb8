// The DirectDraw object of the portable platform: its interfaces (the first
// one and those of later versions, each leading to the Direct3D of its
// time), the cooperative level, the display mode and what it creates, and
// the entry points of "DDRAW.DLL".
#include <algorithm>
#include <cstring>

#include "../control/host.h"
#include "../control/reset.h"
#include "../win32/modules.h"
#include "../win32/shared_state.h"
#include "objects.h"

namespace platform::detail {

DDrawWorld& world() {
    static DDrawWorld state;
    return state;
}

void Device::free_children() {
    // Everything the DirectDraw object made goes with it.
    for (auto& object : world().objects) {
        if (object->alive && object->device_owner() == this) {
            object->alive = false;
            object->destroy();
        }
    }
    primary = nullptr;
    mode_bits = 0;
    exclusive = false;
}

DirectDraw::DirectDraw(std::shared_ptr<Device> shared, int interface_version, DirectDrawV1* base)
    : ComObject("IDirectDraw7"), device(std::move(shared)), version(interface_version), parent(base) {
    if (parent != nullptr) parent->add_ref();
}

void DirectDraw::destroy() {
    if (--device->interfaces == 0) device->free_children();
    if (parent != nullptr) parent->release();
    parent = nullptr;
}

DirectDrawV1::DirectDrawV1(std::shared_ptr<Device> shared) : ComObject("IDirectDraw"), device(std::move(shared)) {}

void DirectDrawV1::destroy() {
    if (--device->interfaces == 0) device->free_children();
}

namespace {

// An interface a DirectDraw object answers for, with its version and the
// name the call log gives it.
struct KnownInterface {
    const IID* iid;
    const char* name;
    int version;
};

const KnownInterface later_ddraw[] = {{&IID_IDirectDraw4, "IID_IDirectDraw4", 4},
                                      {&IID_IDirectDraw2, "IID_IDirectDraw2", 2},
                                      {&IID_IDirectDraw7, "IID_IDirectDraw7", 7}};
const KnownInterface direct3d[] = {{&IID_IDirect3D7, "IID_IDirect3D7", 7},
                                   {&IID_IDirect3D3, "IID_IDirect3D3", 3},
                                   {&IID_IDirect3D2, "IID_IDirect3D2", 2}};

// How both DirectDraw interfaces' QueryInterface begins: the call logged
// with the interface asked for (and the object as its callers see it), the
// answer cleared, a freed object refused.
// Gives the version asked for (0: none of `known`), or the result to return.
template <std::size_t N>
std::optional<HRESULT> open_query(const Tracked& self, const void* logged_as, REFIID riid,
                                  const KnownInterface (&known)[N], void** object, int& version) {
    const KnownInterface* found = nullptr;
    for (const KnownInterface& candidate : known) {
        if (riid == *candidate.iid) found = &candidate;
    }
    version = found != nullptr ? found->version : 0;
    if (auto failed =
            self.call<HRESULT>("QueryInterface", {ptr(logged_as), found ? found->name : "other", ptr(object)})) {
        if (object != nullptr) *object = nullptr;
        return failed;
    }
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!self.check_alive("QueryInterface")) return DDERR_INVALIDOBJECT;
    return std::nullopt;
}

}  // namespace

HRESULT DirectDrawV1::QueryInterface(REFIID riid, void** object) {
    int version = 0;
    if (auto early = open_query(*this, this, riid, later_ddraw, object, version)) return *early;
    if (riid == IID_IUnknown || riid == IID_IDirectDraw) {
        add_ref();
        *object = static_cast<IDirectDraw*>(this);
        return S_OK;
    }
    if (version == 0) return E_NOINTERFACE;
    ++device->interfaces;
    auto* made = static_cast<DirectDraw*>(adopt(std::make_unique<DirectDraw>(device, version, this)));
    *object = static_cast<IDirectDraw7*>(made);
    return S_OK;
}

HRESULT DirectDraw::QueryInterface(REFIID riid, void** object) {
    int d3d_version = 0;
    if (auto early = open_query(*this, this, riid, direct3d, object, d3d_version)) return *early;
    if (riid == IID_IUnknown || (riid == IID_IDirectDraw7 && version == 7) ||
        (riid == IID_IDirectDraw4 && version == 4) || (riid == IID_IDirectDraw2 && version == 2)) {
        add_ref();
        *object = static_cast<IDirectDraw7*>(this);
        return S_OK;
    }
    // Each DirectDraw interface leads to the Direct3D interface of its time.
    int expected = version == 7 ? 7 : version == 4 ? 3 : 2;
    if (d3d_version == 0 || d3d_version != expected) return E_NOINTERFACE;
    *object = make_direct3d(this, d3d_version);
    return *object != nullptr ? S_OK : E_NOINTERFACE;
}

HRESULT DirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) {
    if (auto failed = call<HRESULT>("CreateClipper", {ptr(this), num(flags), ptr(out), ptr(outer)})) {
        if (out != nullptr) *out = nullptr;
        return *failed;
    }
    if (out == nullptr || outer != nullptr || flags != 0) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!check_alive("CreateClipper")) return DDERR_INVALIDOBJECT;
    auto* made = static_cast<Clipper*>(adopt(std::make_unique<Clipper>(device.get())));
    *out = made;
    return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown* outer) {
    if (auto failed = call<HRESULT>("CreatePalette", {ptr(this), hex(flags), ptr(entries), ptr(out), ptr(outer)})) {
        if (out != nullptr) *out = nullptr;
        return *failed;
    }
    if (out == nullptr || entries == nullptr || outer != nullptr || !(flags & DDPCAPS_8BIT)) {
        return DDERR_INVALIDPARAMS;
    }
    *out = nullptr;
    if (!check_alive("CreatePalette")) return DDERR_INVALIDOBJECT;
    auto* made = static_cast<Palette*>(adopt(std::make_unique<Palette>(device.get())));
    std::copy_n(entries, 256, made->entries.begin());
    *out = made;
    return DD_OK;
}

HRESULT DirectDraw::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) {
    std::string caps_text = desc == nullptr ? std::string("null") : hex(desc->ddsCaps.dwCaps);
    std::string size = desc == nullptr ? std::string("null") : num(desc->dwWidth) + "x" + num(desc->dwHeight);
    std::string depth = desc == nullptr ? std::string("null") : num(desc->ddpfPixelFormat.dwRGBBitCount);
    std::string pixel_flags = desc == nullptr ? std::string("null") : hex(desc->ddpfPixelFormat.dwFlags);
    // A Z-buffer's depth sits in the pixel format of the newer record and in
    // a field of its own in the older one.
    std::string z = "null";
    if (desc != nullptr && desc->dwSize == sizeof(DDSURFACEDESC)) {
        z = num(reinterpret_cast<const DDSURFACEDESC*>(desc)->dwZBufferBitDepth);
    } else if (desc != nullptr) {
        z = num(desc->ddpfPixelFormat.dwZBufferBitDepth) + "/" + hex(desc->ddpfPixelFormat.dwZBitMask);
    }
    if (auto failed = call<HRESULT>("CreateSurface", {ptr(this), hex(desc ? desc->dwFlags : 0), caps_text, size, depth,
                                                      pixel_flags, z, ptr(out), ptr(outer)})) {
        if (out != nullptr) *out = nullptr;
        return *failed;
    }
    // Each interface takes its own record: a record of the other size is refused.
    const DWORD record = version == 2 ? sizeof(DDSURFACEDESC) : sizeof(DDSURFACEDESC2);
    if (out == nullptr || desc == nullptr || outer != nullptr || desc->dwSize != record) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!check_alive("CreateSurface")) return DDERR_INVALIDOBJECT;
    if (!(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDPARAMS;
    Device& state = *device;
    const DWORD wanted = desc->ddsCaps.dwCaps;
    const bool old_record = desc->dwSize == sizeof(DDSURFACEDESC);

    if (wanted & DDSCAPS_PRIMARYSURFACE) {
        if (state.cooperative == 0) return DDERR_NOCOOPERATIVELEVELSET;
        if (state.primary != nullptr) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        const bool chain = (wanted & DDSCAPS_FLIP) != 0;
        if (chain) {
            if (!state.exclusive) return DDERR_NOEXCLUSIVEMODE;
            if (!(wanted & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT)) return DDERR_INVALIDCAPS;
            if (desc->dwBackBufferCount != 1) return DDERR_UNSUPPORTED;
        }
        int bits = state.exclusive ? state.mode_bits : desktop_depth();
        int width = state.exclusive ? state.mode_width : world().desktop_width;
        int height = state.exclusive ? state.mode_height : world().desktop_height;
        if (bits == 0) return DDERR_NOEXCLUSIVEMODE;  // exclusive, but no mode was set
        auto* front = static_cast<Surface*>(adopt(std::make_unique<Surface>(
            device, width, height, display_format(bits), (wanted & ~DDSCAPS_BACKBUFFER) | DDSCAPS_FRONTBUFFER)));
        if (chain) {
            DWORD back_caps = (wanted & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER)) | DDSCAPS_BACKBUFFER;
            auto* back = static_cast<Surface*>(
                adopt(std::make_unique<Surface>(device, width, height, display_format(bits), back_caps)));
            front->back = back;
            back->front = front;
            back->description_size = record;
        }
        state.primary = front;
        front->description_size = record;
        *out = front;
        return DD_OK;
    }

    if (!(desc->dwFlags & DDSD_WIDTH) || !(desc->dwFlags & DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    if (desc->dwWidth < 1 || desc->dwHeight < 1 || desc->dwWidth > 16384 || desc->dwHeight > 16384) {
        return DDERR_INVALIDPARAMS;
    }
    const int width = static_cast<int>(desc->dwWidth);
    const int height = static_cast<int>(desc->dwHeight);

    if (wanted & DDSCAPS_ZBUFFER) {
        DWORD depth = 0;
        if (old_record) {
            if (!(desc->dwFlags & DDSD_ZBUFFERBITDEPTH)) return DDERR_INVALIDPARAMS;
            depth = reinterpret_cast<const DDSURFACEDESC*>(desc)->dwZBufferBitDepth;
        } else {
            const DDPIXELFORMAT& format = desc->ddpfPixelFormat;
            if (!(desc->dwFlags & DDSD_PIXELFORMAT) || format.dwSize != sizeof(DDPIXELFORMAT) ||
                !(format.dwFlags & DDPF_ZBUFFER)) {
                return DDERR_INVALIDPIXELFORMAT;
            }
            depth = format.dwZBufferBitDepth;
        }
        DWORD flag = depth == 32 ? DDBD_32 : depth == 24 ? DDBD_24 : depth == 16 ? DDBD_16 : depth == 8 ? DDBD_8 : 0;
        if (flag == 0 || !(world().zbuffer_depths() & flag)) return DDERR_INVALIDPIXELFORMAT;
        DDPIXELFORMAT format{};
        format.dwSize = sizeof(DDPIXELFORMAT);
        format.dwFlags = DDPF_ZBUFFER;
        format.dwZBufferBitDepth = depth;
        format.dwZBitMask = depth >= 32 ? 0xFFFFFFFFu : ((1u << depth) - 1u);
        *out = static_cast<Surface*>(adopt(std::make_unique<Surface>(device, width, height, format, wanted)));
        static_cast<Surface*>(*out)->description_size = record;
        return DD_OK;
    }

    int bits = state.mode_bits != 0 ? state.mode_bits : desktop_depth();
    DDPIXELFORMAT format = display_format(bits);
    if (desc->dwFlags & DDSD_PIXELFORMAT) {
        const DDPIXELFORMAT& asked = desc->ddpfPixelFormat;
        if (asked.dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPIXELFORMAT;
        bits = static_cast<int>(asked.dwRGBBitCount);
        if (asked.dwFlags & DDPF_PALETTEINDEXED8) {
            if (bits != 8) return DDERR_INVALIDPIXELFORMAT;
            format = display_format(8);
        } else if (asked.dwFlags & DDPF_RGB) {
            if (bits != 16 && bits != 24 && bits != 32) return DDERR_INVALIDPIXELFORMAT;
            format = display_format(bits);
            // Only the display's own RGB layout is offered.
            if (asked.dwRBitMask != format.dwRBitMask || asked.dwGBitMask != format.dwGBitMask ||
                asked.dwBBitMask != format.dwBBitMask) {
                return DDERR_INVALIDPIXELFORMAT;
            }
            if (asked.dwFlags & DDPF_ALPHAPIXELS) {
                if (bits != 32 || asked.dwRGBAlphaBitMask != 0xFF000000u) return DDERR_INVALIDPIXELFORMAT;
                format.dwFlags |= DDPF_ALPHAPIXELS;
                format.dwRGBAlphaBitMask = 0xFF000000u;
            }
        } else {
            return DDERR_INVALIDPIXELFORMAT;
        }
    }
    DWORD caps = wanted | DDSCAPS_OFFSCREENPLAIN;
    *out = static_cast<Surface*>(adopt(std::make_unique<Surface>(device, width, height, format, caps)));
    static_cast<Surface*>(*out)->description_size = record;
    return DD_OK;
}

HRESULT DirectDraw::FlipToGDISurface() {
    if (auto failed = call<HRESULT>("FlipToGDISurface", {ptr(this)})) return *failed;
    if (!check_alive("FlipToGDISurface")) return DDERR_INVALIDOBJECT;
    Surface* front = device->primary;
    if (front == nullptr || front->back == nullptr) return DDERR_NOTFOUND;
    // Put the page that GDI drew on back on screen.
    if (device->flips != 0) {
        std::swap(front->memory, front->back->memory);
        device->flips = 0;
    }
    return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(HWND window, DWORD flags) {
    if (auto failed = call<HRESULT>("SetCooperativeLevel", {ptr(this), ptr(window), hex(flags)})) {
        return *failed;
    }
    if (!check_alive("SetCooperativeLevel")) return DDERR_INVALIDOBJECT;
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool fullscreen = (flags & DDSCL_FULLSCREEN) != 0;
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    if (exclusive != fullscreen || (normal && exclusive) || (!normal && !exclusive)) return DDERR_INVALIDPARAMS;
    if (exclusive && !is_window(window)) return DDERR_INVALIDPARAMS;
    if (window != nullptr && !is_window(window)) return DDERR_INVALIDPARAMS;
    device->cooperative = flags;
    device->exclusive = exclusive;
    device->window = window;
    platform::host().use_window(window, exclusive);
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD flags) {
    if (auto failed = call<HRESULT>("SetDisplayMode",
                                    {ptr(this), num(width), num(height), num(bits), num(refresh), num(flags)})) {
        return *failed;
    }
    if (!check_alive("SetDisplayMode")) return DDERR_INVALIDOBJECT;
    if (!device->exclusive) return DDERR_NOEXCLUSIVEMODE;
    if (refresh != 0 || flags != 0) return DDERR_INVALIDPARAMS;
    const auto& modes = world().modes;
    bool offered = std::any_of(modes.begin(), modes.end(), [&](const platform::DisplayMode& mode) {
        return static_cast<DWORD>(mode.width) == width && static_cast<DWORD>(mode.height) == height &&
               static_cast<DWORD>(mode.bits) == bits;
    });
    if (!offered || !platform::host().has_display()) return DDERR_UNSUPPORTEDMODE;
    if (!platform::host().set_mode(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bits))) {
        return DDERR_UNSUPPORTEDMODE;
    }
    device->mode_width = static_cast<int>(width);
    device->mode_height = static_cast<int>(height);
    device->mode_bits = static_cast<int>(bits);
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Entry points of "DDRAW.DLL"

namespace {

HRESULT WINAPI direct_draw_create(GUID* guid, LPDIRECTDRAW* out, IUnknown* outer) {
    if (auto failed = logged<HRESULT>("DirectDrawCreate", {ptr(guid), ptr(out), ptr(outer)})) {
        if (out != nullptr) *out = nullptr;
        return *failed;
    }
    if (out == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (guid != nullptr) return DDERR_INVALIDPARAMS;  // only the display driver exists
    auto device = std::make_shared<Device>();
    device->interfaces = 1;
    *out = static_cast<DirectDrawV1*>(Tracked::adopt(std::make_unique<DirectDrawV1>(device)));
    return DD_OK;
}

HRESULT WINAPI direct_draw_create_ex(GUID* guid, LPVOID* out, REFIID riid, IUnknown* outer) {
    if (auto failed = logged<HRESULT>(
            "DirectDrawCreateEx",
            {ptr(guid), ptr(out), riid == IID_IDirectDraw7 ? "IID_IDirectDraw7" : "other", ptr(outer)})) {
        if (out != nullptr) *out = nullptr;
        return *failed;
    }
    if (out == nullptr || outer != nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (guid != nullptr || !(riid == IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
    auto device = std::make_shared<Device>();
    device->interfaces = 1;
    auto* made = static_cast<DirectDraw*>(Tracked::adopt(std::make_unique<DirectDraw>(device, 7, nullptr)));
    *out = static_cast<IDirectDraw7*>(made);
    return DD_OK;
}

}  // namespace

FARPROC ddraw_export(std::string_view name) {
    // Exports travel as the generic entry type, as from a real module.
    using Generic = void (*)();
    if (name == "DirectDrawCreate") return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&direct_draw_create));
    if (name == "DirectDrawCreateEx") {
        return reinterpret_cast<FARPROC>(reinterpret_cast<Generic>(&direct_draw_create_ex));
    }
    return nullptr;
}

DWORD DDrawWorld::zbuffer_depths() const {
    DWORD depths = 0;
    for (const platform::OfferedDevice& offered : devices) depths |= offered.zbuffer_depths;
    return depths;
}

namespace {

// Objects are kept until a reset so that a call on a freed one is caught
// instead of touching freed memory; then they all go at once.
const ResetHook reset_directx(ResetOrder::directx, [] { world() = DDrawWorld{}; });
const BuiltInModule ddraw_module("DDRAW.DLL", ddraw_export);

}  // namespace

}  // namespace platform::detail

namespace platform {

using namespace detail;

int surface_pitch_for(int width, int bits) {
    const int row = width * ((bits + 7) / 8);
    return ((row + 63) / 64) * 64 + 64;
}

void set_display_modes(const std::vector<DisplayMode>& modes) { world().modes = modes; }
void set_rgb16_555(bool five_five_five) { world().rgb16_555 = five_five_five; }
void set_devices(const std::vector<OfferedDevice>& devices) { world().devices = devices; }
void set_display_available(bool available) { world().display_available = available; }
void set_restore_moves_pitch(bool on) { world().restore_moves_pitch = on; }

void lose_surfaces() {
    for (auto& object : world().objects) {
        if (auto* surface = dynamic_cast<Surface*>(object.get()); surface != nullptr && surface->alive) {
            surface->lost = true;
        }
    }
}

int live_objects() {
    int count = 0;
    for (auto& object : world().objects) count += object->alive ? 1 : 0;
    return count;
}

std::vector<std::string> live_object_kinds() {
    std::vector<std::string> kinds;
    for (auto& object : world().objects) {
        if (object->alive) kinds.emplace_back(object->kind);
    }
    return kinds;
}

}  // namespace platform
