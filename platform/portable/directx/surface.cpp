// DirectDraw surfaces: pixels owned with a pitch wider than a row (so pitch
// mistakes show), locks, BltFast, the flip chain that really exchanges its
// pages and shows the front one through the host, and surfaces lost until
// restored.
#include <algorithm>
#include <cstring>

#include "../control/host.h"
#include "objects.h"

namespace platform::detail {

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

Surface::Surface(std::shared_ptr<Device> owner, int w, int h, DDPIXELFORMAT pixel_format, DWORD surface_caps)
    : ComObject("IDirectDrawSurface7"),
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
    changing();
    memory.clear();
    memory.shrink_to_fit();
    device.reset();
}

void Surface::changing() const { platform::host().page_changing(memory.data()); }

void Surface::scramble() {
    // Restored memory holds a fixed pattern, so code that forgets to redraw
    // after a restore shows it.
    changing();
    for (std::size_t i = 0; i < memory.size(); ++i) memory[i] = static_cast<std::uint8_t>((i * 37u + 11u) ^ 0xA5u);
}

void Surface::come_back() {
    lost = false;
    if (world().restore_moves_pitch) {
        changing();
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
    if (auto failed = call<HRESULT>("QueryInterface", {ptr(this)})) return *failed;
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
ULONG Surface::Release() {
    if (auto failed = call<ULONG>("Release", {ptr(this)})) return *failed;
    // The implicit back buffer belongs to its chain: releasing the references
    // handed out for it never frees it on its own.
    if (alive && front != nullptr && references == 1) return 1;
    return release();
}

HRESULT Surface::AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface) {
    if (auto failed = call<HRESULT>("AddAttachedSurface", {ptr(this), ptr(surface)})) {
        return *failed;
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
    if (auto failed = call<HRESULT>("DeleteAttachedSurface", {ptr(this), num(flags), ptr(surface)})) {
        return *failed;
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
    std::string rect = source_rect == nullptr ? std::string("null")
                                              : num(source_rect->left) + "," + num(source_rect->top) + "," +
                                                    num(source_rect->right) + "," + num(source_rect->bottom);
    if (auto failed = call<HRESULT>("BltFast", {ptr(this), num(x), num(y), ptr(source), rect, hex(flags)})) {
        return *failed;
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
    changing();
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
    if (auto failed = call<HRESULT>("Flip", {ptr(this), ptr(target), hex(flags)})) {
        return *failed;
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
    changing();
    std::swap(memory, back->memory);
    device->flips ^= 1;
    present();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(LPDDSCAPS2 wanted, LPDIRECTDRAWSURFACE7* surface) {
    if (auto failed =
            call<HRESULT>("GetAttachedSurface", {ptr(this), hex(wanted ? wanted->dwCaps : 0), ptr(surface)})) {
        return *failed;
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
    if (auto failed = call<HRESULT>("GetPixelFormat", {ptr(this), ptr(out)})) {
        return *failed;
    }
    if (!check_alive("GetPixelFormat")) return DDERR_INVALIDOBJECT;
    if (out == nullptr || out->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
    *out = format;
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
    if (auto failed = call<HRESULT>("GetSurfaceDesc", {ptr(this), ptr(desc)})) {
        return *failed;
    }
    if (!check_alive("GetSurfaceDesc")) return DDERR_INVALIDOBJECT;
    if (desc == nullptr || desc->dwSize != description_size) return DDERR_INVALIDPARAMS;
    fill_description(*desc);
    return DD_OK;
}

HRESULT Surface::IsLost() {
    if (auto failed = call<HRESULT>("IsLost", {ptr(this)})) return *failed;
    if (!check_alive("IsLost")) return DDERR_INVALIDOBJECT;
    return lost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) {
    if (auto failed = call<HRESULT>("Lock", {ptr(this), ptr(rect), ptr(desc), hex(flags), ptr(event)})) {
        return *failed;
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
    changing();
    fill_description(*desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = memory.data() + offset;
    locked = true;
    return DD_OK;
}

HRESULT Surface::Restore() {
    if (auto failed = call<HRESULT>("Restore", {ptr(this)})) return *failed;
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
    if (auto failed = call<HRESULT>("SetClipper", {ptr(this), ptr(new_clipper)})) {
        return *failed;
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
    if (auto failed = call<HRESULT>("SetPalette", {ptr(this), ptr(new_palette)})) {
        return *failed;
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
    if (auto failed = call<HRESULT>("Unlock", {ptr(this), ptr(rect)})) return *failed;
    if (!check_alive("Unlock")) return DDERR_INVALIDOBJECT;
    if (!locked) return DDERR_NOTLOCKED;
    locked = false;
    return DD_OK;
}

}  // namespace platform::detail
