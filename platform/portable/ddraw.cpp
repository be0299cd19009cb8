// DirectDraw of the portable platform: reference-counted objects, the
// display mode, surfaces that own their pixels (with a pitch wider than a
// row), a flip chain that really exchanges its pages, palettes, clippers and
// lost surfaces. Direct3D lives in d3d.cpp.
#include <algorithm>
#include <cstring>

#include "control.h"
#include "ddraw_objects.h"
#include "host.h"
#include "internal.h"

using namespace platform::detail;

namespace platform::detail {

DDrawWorld& world() {
    static DDrawWorld state;
    return state;
}

Tracked::~Tracked() = default;

Tracked* Tracked::adopt(std::unique_ptr<Tracked> object) {
    Tracked* raw = object.get();
    world().objects.push_back(std::move(object));
    return raw;
}

bool Tracked::check_alive(const char* method) const {
    if (alive) return true;
    note_misuse(std::string(kind) + "::" + method + " on a freed object");
    return false;
}

ULONG Tracked::add_ref() {
    if (!alive) {
        note_misuse(std::string(kind) + "::AddRef on a freed object");
        return 0;
    }
    return ++references;
}

ULONG Tracked::release() {
    if (!alive) {
        note_misuse(std::string(kind) + "::Release past zero");
        return 0;
    }
    if (--references > 0) return references;
    alive = false;
    destroy();
    return 0;
}

DDPIXELFORMAT display_format(int bits) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwRGBBitCount = static_cast<DWORD>(bits);
    if (bits <= 8) {
        format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else if (bits == 16) {
        format.dwFlags = DDPF_RGB;
        if (world().rgb16_555) {
            format.dwRBitMask = 0x7C00;
            format.dwGBitMask = 0x03E0;
            format.dwBBitMask = 0x001F;
        } else {
            format.dwRBitMask = 0xF800;
            format.dwGBitMask = 0x07E0;
            format.dwBBitMask = 0x001F;
        }
    } else {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = 0xFF0000;
        format.dwGBitMask = 0x00FF00;
        format.dwBBitMask = 0x0000FF;
    }
    return format;
}

// ---------------------------------------------------------------------------
// Palette and clipper

HRESULT Palette::QueryInterface(REFIID riid, void** object) {
    std::int64_t forced;
    if (enter("IDirectDrawPalette::QueryInterface", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
    if (object != nullptr) *object = nullptr;
    (void)riid;
    return E_NOINTERFACE;
}
ULONG Palette::AddRef() {
    std::int64_t forced;
    if (enter("IDirectDrawPalette::AddRef", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return add_ref();
}
ULONG Palette::Release() {
    std::int64_t forced;
    if (enter("IDirectDrawPalette::Release", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return release();
}
HRESULT Palette::GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) {
    std::int64_t forced;
    if (enter("IDirectDrawPalette::GetEntries", {ptr(this), num(flags), num(first), num(count), ptr(out)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("GetEntries")) return DDERR_INVALIDOBJECT;
    if (out == nullptr || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
    std::copy_n(entries.begin() + first, count, out);
    return DD_OK;
}
HRESULT Palette::SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY in) {
    std::int64_t forced;
    if (enter("IDirectDrawPalette::SetEntries", {ptr(this), num(flags), num(first), num(count), ptr(in)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("SetEntries")) return DDERR_INVALIDOBJECT;
    if (in == nullptr || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
    std::copy_n(in, count, entries.begin() + first);
    return DD_OK;
}

HRESULT Clipper::QueryInterface(REFIID riid, void** object) {
    std::int64_t forced;
    if (enter("IDirectDrawClipper::QueryInterface", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
    if (object != nullptr) *object = nullptr;
    (void)riid;
    return E_NOINTERFACE;
}
ULONG Clipper::AddRef() {
    std::int64_t forced;
    if (enter("IDirectDrawClipper::AddRef", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return add_ref();
}
ULONG Clipper::Release() {
    std::int64_t forced;
    if (enter("IDirectDrawClipper::Release", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return release();
}
HRESULT Clipper::SetHWnd(DWORD flags, HWND hwnd) {
    std::int64_t forced;
    if (enter("IDirectDrawClipper::SetHWnd", {ptr(this), num(flags), ptr(hwnd)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("SetHWnd")) return DDERR_INVALIDOBJECT;
    if (flags != 0 || (hwnd != nullptr && !is_window(hwnd))) return DDERR_INVALIDPARAMS;
    window = hwnd;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// Surface

Surface::Surface(std::shared_ptr<Device> owner, int w, int h, DDPIXELFORMAT pixel_format, DWORD surface_caps)
    : Tracked("IDirectDrawSurface7"),
      device(std::move(owner)),
      width(w),
      height(h),
      format(pixel_format),
      caps(surface_caps) {
    bits = static_cast<int>(format.dwFlags & DDPF_ZBUFFER ? format.dwZBufferBitDepth : format.dwRGBBitCount);
    pitch = surface_pitch_for(width, bits);
    memory.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), 0);
}

void Surface::destroy() {
    // A flip chain goes as one: its implicit back buffer with it.
    if (back != nullptr) {
        back->front = nullptr;
        if (back->alive) {
            back->alive = false;
            back->destroy();
        }
        back = nullptr;
    }
    if (palette != nullptr) palette->release();
    palette = nullptr;
    if (clipper != nullptr) clipper->release();
    clipper = nullptr;
    for (Surface* surface : attached) surface->release();
    attached.clear();
    if (device && device->primary == this) device->primary = nullptr;
    memory.clear();
    memory.shrink_to_fit();
    device.reset();
}

void Surface::scramble() {
    // Restored memory holds a fixed pattern, so code that forgets to redraw
    // after a restore shows it.
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>((i * 37u + 11u) ^ 0xA5u);
}

void Surface::come_back() {
    lost = false;
    if (world().restore_moves_pitch) {
        pitch += 64;
        memory.assign(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height), 0);
    }
    scramble();
}

void Surface::fill_description(DDSURFACEDESC2& desc) const {
    DWORD size = desc.dwSize;
    if (size == sizeof(DDSURFACEDESC2)) {
        desc = DDSURFACEDESC2{};
    } else {
        std::memset(&desc, 0, sizeof(DDSURFACEDESC));
    }
    desc.dwSize = size;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.lPitch = pitch;
    desc.ddpfPixelFormat = format;
    if (back != nullptr) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
    }
    // The older record ends after the first capability word.
    desc.ddsCaps.dwCaps = caps;
}

void Surface::present() const {
    const PALETTEENTRY* entries = palette != nullptr ? palette->entries.data() : nullptr;
    platform::host().present(memory.data(), pitch, width, height, bits, entries);
}

HRESULT Surface::QueryInterface(REFIID riid, void** object) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::QueryInterface", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!check_alive("QueryInterface")) return DDERR_INVALIDOBJECT;
    if (riid == IID_IUnknown) {
        add_ref();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}
ULONG Surface::AddRef() {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::AddRef", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return add_ref();
}
ULONG Surface::Release() {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::Release", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    // The implicit back buffer belongs to its chain: releasing the references
    // handed out for it never frees it on its own.
    if (alive && front != nullptr && references == 1) return 1;
    return release();
}

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::AddAttachedSurface", {ptr(this), ptr(surface)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("AddAttachedSurface")) return DDERR_INVALIDOBJECT;
    auto* other = static_cast<Surface*>(surface);
    if (other == nullptr || !other->alive) return DDERR_INVALIDPARAMS;
    if (!(other->caps & DDSCAPS_ZBUFFER) || other->width != width || other->height != height) {
        return DDERR_CANNOTATTACHSURFACE;
    }
    if (std::find(attached.begin(), attached.end(), other) != attached.end()) return DDERR_SURFACEALREADYATTACHED;
    other->add_ref();
    attached.push_back(other);
    return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 surface) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::DeleteAttachedSurface", {ptr(this), num(flags), ptr(surface)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("DeleteAttachedSurface")) return DDERR_INVALIDOBJECT;
    auto found = std::find(attached.begin(), attached.end(), static_cast<Surface*>(surface));
    if (flags != 0 || found == attached.end()) return DDERR_SURFACENOTATTACHED;
    Surface* other = *found;
    attached.erase(found);
    other->release();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT source_rect, DWORD flags) {
    std::int64_t forced;
    std::string rect = source_rect == nullptr ? std::string("null")
                                              : num(source_rect->left) + "," + num(source_rect->top) + "," +
                                                    num(source_rect->right) + "," + num(source_rect->bottom);
    if (enter("IDirectDrawSurface7::BltFast", {ptr(this), num(x), num(y), ptr(source), rect, hex(flags)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("BltFast")) return DDERR_INVALIDOBJECT;
    auto* from = static_cast<Surface*>(source);
    if (from == nullptr || !from->alive) return DDERR_INVALIDPARAMS;
    if (lost || from->lost) return DDERR_SURFACELOST;
    if (locked || from->locked) return DDERR_SURFACEBUSY;
    if (from->bits != bits) return DDERR_INVALIDPIXELFORMAT;
    RECT area = source_rect != nullptr ? *source_rect : RECT{0, 0, from->width, from->height};
    // Rectangles are checked as DirectDraw checks them: empty, inverted or
    // outside either surface is refused and nothing is copied.
    if (area.left < 0 || area.top < 0 || area.right > from->width || area.bottom > from->height ||
        area.left >= area.right || area.top >= area.bottom) {
        return DDERR_INVALIDRECT;
    }
    const std::int64_t w = area.right - area.left;
    const std::int64_t h = area.bottom - area.top;
    if (static_cast<std::int64_t>(x) + w > width || static_cast<std::int64_t>(y) + h > height) {
        return DDERR_INVALIDRECT;
    }
    const std::size_t bytes = static_cast<std::size_t>(bits / 8);
    const std::size_t row = static_cast<std::size_t>(w) * bytes;
    auto copy_row = [&](std::int64_t i) {
        const std::uint8_t* in = from->memory.data() + static_cast<std::size_t>(area.top + i) * from->pitch +
                                 static_cast<std::size_t>(area.left) * bytes;
        std::uint8_t* out =
            memory.data() + static_cast<std::size_t>(y + i) * pitch + static_cast<std::size_t>(x) * bytes;
        std::memmove(out, in, row);
    };
    // Within one surface, rows go in the order that does not overwrite
    // rows still to be read.
    if (from == this && static_cast<std::int64_t>(y) > area.top) {
        for (std::int64_t i = h - 1; i >= 0; --i) copy_row(i);
    } else {
        for (std::int64_t i = 0; i < h; ++i) copy_row(i);
    }
    return DD_OK;
}

HRESULT Surface::Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::Flip", {ptr(this), ptr(target), hex(flags)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("Flip")) return DDERR_INVALIDOBJECT;
    if (back == nullptr) return DDERR_NOTFLIPPABLE;
    if (target != nullptr && target != back) return DDERR_INVALIDPARAMS;
    if (lost || back->lost) return DDERR_SURFACELOST;
    if (locked || back->locked) return DDERR_SURFACEBUSY;
    // Without DDFLIP_WAIT a flip the display cannot take yet is refused: one
    // asked for at the same moment as the last is still waiting for it.
    const std::uint64_t now = platform::host().clock_ns();
    if (!(flags & DDFLIP_WAIT) && device->flipped && device->last_flip_ns == now) return DDERR_WASSTILLDRAWING;
    device->flipped = true;
    device->last_flip_ns = now;
    // The pages exchange: what was drawn into the back buffer is shown, and
    // the back buffer now holds the page that was on screen.
    std::swap(memory, back->memory);
    device->flips ^= 1;
    present();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 wanted, LPDIRECTDRAWSURFACE7* surface) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::GetAttachedSurface", {ptr(this), hex(wanted ? wanted->dwCaps : 0), ptr(surface)},
              forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (surface == nullptr || wanted == nullptr) return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (!check_alive("GetAttachedSurface")) return DDERR_INVALIDOBJECT;
    Surface* found = nullptr;
    if ((wanted->dwCaps & DDSCAPS_BACKBUFFER) && back != nullptr) {
        found = back;
    } else if (wanted->dwCaps & DDSCAPS_ZBUFFER) {
        for (Surface* other : attached) {
            if (other->caps & DDSCAPS_ZBUFFER) found = other;
        }
    }
    if (found == nullptr) return DDERR_NOTFOUND;
    found->add_ref();
    *surface = found;
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT out) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::GetPixelFormat", {ptr(this), ptr(out)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("GetPixelFormat")) return DDERR_INVALIDOBJECT;
    if (out == nullptr || out->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    *out = format;
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::GetSurfaceDesc", {ptr(this), ptr(desc)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("GetSurfaceDesc")) return DDERR_INVALIDOBJECT;
    if (desc == nullptr || desc->dwSize != description_size) return DDERR_INVALIDPARAMS;
    fill_description(*desc);
    return DD_OK;
}

HRESULT Surface::IsLost() {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::IsLost", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
    if (!check_alive("IsLost")) return DDERR_INVALIDOBJECT;
    return lost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::Lock", {ptr(this), ptr(rect), ptr(desc), hex(flags), ptr(event)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("Lock")) return DDERR_INVALIDOBJECT;
    if (desc == nullptr || desc->dwSize != description_size) return DDERR_INVALIDPARAMS;
    if (lost) return DDERR_SURFACELOST;
    if (locked) return DDERR_SURFACEBUSY;
    std::size_t offset = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->right > width || rect->bottom > height ||
            rect->left >= rect->right || rect->top >= rect->bottom) {
            return DDERR_INVALIDRECT;
        }
        offset = static_cast<std::size_t>(rect->top) * pitch + static_cast<std::size_t>(rect->left) * (bits / 8);
    }
    fill_description(*desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = memory.data() + offset;
    locked = true;
    return DD_OK;
}

HRESULT Surface::Restore() {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::Restore", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
    if (!check_alive("Restore")) return DDERR_INVALIDOBJECT;
    // A chain's back buffer comes back with its front, never on its own.
    if (front != nullptr) return DDERR_IMPLICITLYCREATED;
    if (!world().display_available) return DDERR_WRONGMODE;
    if (lost) come_back();
    // Restoring the front of a chain restores the chain.
    if (back != nullptr && back->lost) back->come_back();
    return DD_OK;
}

HRESULT Surface::SetClipper(LPDIRECTDRAWCLIPPER new_clipper) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::SetClipper", {ptr(this), ptr(new_clipper)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("SetClipper")) return DDERR_INVALIDOBJECT;
    auto* next = static_cast<Clipper*>(new_clipper);
    if (next != nullptr && !next->alive) return DDERR_INVALIDPARAMS;
    if (next != nullptr) next->add_ref();
    if (clipper != nullptr) clipper->release();
    clipper = next;
    return DD_OK;
}

HRESULT Surface::SetPalette(LPDIRECTDRAWPALETTE new_palette) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::SetPalette", {ptr(this), ptr(new_palette)}, forced)) {
        return static_cast<HRESULT>(forced);
    }
    if (!check_alive("SetPalette")) return DDERR_INVALIDOBJECT;
    auto* next = static_cast<Palette*>(new_palette);
    if (next != nullptr && (!next->alive || bits != 8)) return next->alive ? DDERR_NOTPALETTIZED : DDERR_INVALIDPARAMS;
    if (next != nullptr) next->add_ref();
    if (palette != nullptr) palette->release();
    palette = next;
    // A palette on the primary surface is the display's palette, and so is
    // the back buffer's view of it.
    if (back != nullptr) {
        if (back->palette != nullptr) back->palette->release();
        back->palette = next;
        if (next != nullptr) next->add_ref();
    }
    return DD_OK;
}

HRESULT Surface::Unlock(LPRECT rect) {
    std::int64_t forced;
    if (enter("IDirectDrawSurface7::Unlock", {ptr(this), ptr(rect)}, forced)) return static_cast<HRESULT>(forced);
    if (!check_alive("Unlock")) return DDERR_INVALIDOBJECT;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    return DD_OK;
}

// ---------------------------------------------------------------------------
// DirectDraw objects

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
    : Tracked("IDirectDraw7"), device(std::move(shared)), version(interface_version), parent(base) {
    if (parent != nullptr) parent->add_ref();
}

void DirectDraw::destroy() {
    if (--device->interfaces == 0) device->free_children();
    if (parent != nullptr) parent->release();
    parent = nullptr;
}

DirectDrawV1::DirectDrawV1(std::shared_ptr<Device> shared) : Tracked("IDirectDraw"), device(std::move(shared)) {}

void DirectDrawV1::destroy() {
    if (--device->interfaces == 0) device->free_children();
}

HRESULT DirectDrawV1::QueryInterface(REFIID riid, void** object) {
    std::string which = riid == IID_IDirectDraw4   ? "IID_IDirectDraw4"
                        : riid == IID_IDirectDraw2 ? "IID_IDirectDraw2"
                        : riid == IID_IDirectDraw7 ? "IID_IDirectDraw7"
                                                   : "other";
    std::int64_t forced;
    if (enter("IDirectDraw::QueryInterface", {ptr(this), which, ptr(object)}, forced)) {
        if (object != nullptr) *object = nullptr;
        return static_cast<HRESULT>(forced);
    }
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!check_alive("QueryInterface")) return DDERR_INVALIDOBJECT;
    int version = riid == IID_IDirectDraw4 ? 4 : riid == IID_IDirectDraw2 ? 2 : riid == IID_IDirectDraw7 ? 7 : 0;
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
ULONG DirectDrawV1::AddRef() {
    std::int64_t forced;
    if (enter("IDirectDraw::AddRef", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return add_ref();
}
ULONG DirectDrawV1::Release() {
    std::int64_t forced;
    if (enter("IDirectDraw::Release", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return release();
}

HRESULT DirectDraw::QueryInterface(REFIID riid, void** object) {
    std::string which = riid == IID_IDirect3D7   ? "IID_IDirect3D7"
                        : riid == IID_IDirect3D3 ? "IID_IDirect3D3"
                        : riid == IID_IDirect3D2 ? "IID_IDirect3D2"
                                                 : "other";
    std::int64_t forced;
    if (enter("IDirectDraw7::QueryInterface", {ptr(this), which, ptr(object)}, forced)) {
        if (object != nullptr) *object = nullptr;
        return static_cast<HRESULT>(forced);
    }
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!check_alive("QueryInterface")) return DDERR_INVALIDOBJECT;
    if (riid == IID_IUnknown || (riid == IID_IDirectDraw7 && version == 7) ||
        (riid == IID_IDirectDraw4 && version == 4) || (riid == IID_IDirectDraw2 && version == 2)) {
        add_ref();
        *object = static_cast<IDirectDraw7*>(this);
        return S_OK;
    }
    // Each DirectDraw interface leads to the Direct3D interface of its time.
    int d3d_version = riid == IID_IDirect3D7 ? 7 : riid == IID_IDirect3D3 ? 3 : riid == IID_IDirect3D2 ? 2 : 0;
    int expected = version == 7 ? 7 : version == 4 ? 3 : 2;
    if (d3d_version == 0 || d3d_version != expected) return E_NOINTERFACE;
    *object = make_direct3d(this, d3d_version);
    return *object != nullptr ? S_OK : E_NOINTERFACE;
}
ULONG DirectDraw::AddRef() {
    std::int64_t forced;
    if (enter("IDirectDraw7::AddRef", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return add_ref();
}
ULONG DirectDraw::Release() {
    std::int64_t forced;
    if (enter("IDirectDraw7::Release", {ptr(this)}, forced)) return static_cast<ULONG>(forced);
    return release();
}

HRESULT DirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) {
    std::int64_t forced;
    if (enter("IDirectDraw7::CreateClipper", {ptr(this), num(flags), ptr(out), ptr(outer)}, forced)) {
        if (out != nullptr) *out = nullptr;
        return static_cast<HRESULT>(forced);
    }
    if (out == nullptr || outer != nullptr || flags != 0) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!check_alive("CreateClipper")) return DDERR_INVALIDOBJECT;
    auto* made = static_cast<Clipper*>(adopt(std::make_unique<Clipper>(device.get())));
    *out = made;
    return DD_OK;
}

HRESULT DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* out, IUnknown* outer) {
    std::int64_t forced;
    if (enter("IDirectDraw7::CreatePalette", {ptr(this), hex(flags), ptr(entries), ptr(out), ptr(outer)}, forced)) {
        if (out != nullptr) *out = nullptr;
        return static_cast<HRESULT>(forced);
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
    std::int64_t forced;
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
    if (enter("IDirectDraw7::CreateSurface",
              {ptr(this), hex(desc ? desc->dwFlags : 0), caps_text, size, depth, pixel_flags, z, ptr(out), ptr(outer)},
              forced)) {
        if (out != nullptr) *out = nullptr;
        return static_cast<HRESULT>(forced);
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
    std::int64_t forced;
    if (enter("IDirectDraw7::FlipToGDISurface", {ptr(this)}, forced)) return static_cast<HRESULT>(forced);
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
    std::int64_t forced;
    if (enter("IDirectDraw7::SetCooperativeLevel", {ptr(this), ptr(window), hex(flags)}, forced)) {
        return static_cast<HRESULT>(forced);
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
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD flags) {
    std::int64_t forced;
    if (enter("IDirectDraw7::SetDisplayMode", {ptr(this), num(width), num(height), num(bits), num(refresh), num(flags)},
              forced)) {
        return static_cast<HRESULT>(forced);
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
    std::int64_t forced;
    if (enter("DirectDrawCreate", {ptr(guid), ptr(out), ptr(outer)}, forced)) {
        if (out != nullptr) *out = nullptr;
        return static_cast<HRESULT>(forced);
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
    std::int64_t forced;
    if (enter("DirectDrawCreateEx",
              {ptr(guid), ptr(out), riid == IID_IDirectDraw7 ? "IID_IDirectDraw7" : "other", ptr(outer)}, forced)) {
        if (out != nullptr) *out = nullptr;
        return static_cast<HRESULT>(forced);
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

void reset_ddraw() {
    // Objects are kept until here so that a call on a freed one is caught
    // instead of touching freed memory; now they all go at once.
    world() = DDrawWorld{};
}

}  // namespace platform::detail

namespace platform {

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
