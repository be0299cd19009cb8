// The table of 256 drawing buffers, the active buffer, the drawing position
// and the nested surface lock.
#include <cstdint>
#include <limits>

#include "gfx/buffers/pixels.h"

namespace {

// Whether the platform granted the lock that pixels points into.
bool lock_granted = false;

}  // namespace

void lock_surface() {
    lock_granted = false;
    active_buffer.pixels = nullptr;
    if (active_buffer.surface == nullptr) return;
    // The record is shared: an address left from an earlier lock must not
    // pass for this one's.
    display.surface_desc.lpSurface = nullptr;
    if (SUCCEEDED(note_loss(active_buffer.surface->Lock(nullptr, &display.surface_desc, DDLOCK_WAIT, nullptr))) &&
        display.surface_desc.lpSurface != nullptr) {
        active_buffer.pixels = static_cast<std::uint8_t*>(display.surface_desc.lpSurface);
        lock_granted = true;
        // A restored surface may come back with another pitch: the lock's
        // own word is the one that holds while it lasts.
        const std::int64_t row = static_cast<std::int64_t>(active_buffer.width) * (active_buffer.bits_per_pixel / 8);
        if (display.surface_desc.lPitch >= row) {
            active_buffer.pitch = display.surface_desc.lPitch;
            if (active_buffer.handle >= 0 && active_buffer.handle < buffer_slots) {
                buffer_table[active_buffer.handle].pitch = display.surface_desc.lPitch;
            }
        }
    }
}

void unlock_surface() {
    if (lock_granted && active_buffer.surface != nullptr) active_buffer.surface->Unlock(nullptr);
    lock_granted = false;
    active_buffer.pixels = nullptr;
}

void lock_active_buffer() {
    if (display.lock_count == 0) lock_surface();
    ++display.lock_count;
}

void unlock_active_buffer() {
    if (display.lock_count == 0) return;
    if (--display.lock_count == 0) unlock_surface();
}

void reset_buffer_state() {
    // Surfaces held before are forgotten, not released: they belonged to a
    // display that no longer exists.
    for (VirtualBuffer& slot : buffer_table) slot.surface = nullptr;
    display.new_buffer_depth = 8;
    active_buffer.handle = -1;
    active_buffer.surface = nullptr;
    active_buffer.pixels = nullptr;
    lock_granted = false;
    draw_position = DrawPosition{};
    display.lock_count = 0;
}

BufferHandle gfx_create_buffer(std::int32_t width, std::int32_t height) {
    // A refusal leaves its own code for gfx_last_error, not an older one.
    int slot = 0;
    while (slot < buffer_slots && buffer_table[slot].surface != nullptr) ++slot;
    if (slot == buffer_slots) {
        display.last_error = DDERR_OUTOFMEMORY;
        return -1;
    }
    // Rows are kept a multiple of four pixels wide.
    const std::int64_t rounded = (static_cast<std::int64_t>(width) + 3) & ~std::int64_t{3};
    if (width < 1 || height < 1 || rounded > std::numeric_limits<std::int32_t>::max()) {
        display.last_error = DDERR_INVALIDPARAMS;
        return -2;
    }
    if (display.ddraw == nullptr) {
        display.last_error = DDERR_NOTINITIALIZED;
        return -2;
    }
    if (!drawable_depth(display.new_buffer_depth)) {
        display.last_error = DDERR_INVALIDPIXELFORMAT;
        return -2;
    }

    DDSURFACEDESC2& desc = display.surface_desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.dwHeight = static_cast<DWORD>(height);
    desc.dwWidth = static_cast<DWORD>(rounded);
    desc.ddsCaps.dwCaps = display.buffer_caps;
    desc.ddsCaps.dwCaps2 = 0;
    DDPIXELFORMAT& format = desc.ddpfPixelFormat;
    format.dwSize = sizeof(DDPIXELFORMAT);
    format.dwRGBBitCount = static_cast<DWORD>(display.new_buffer_depth);
    if (display.new_buffer_depth < 16) {
        format.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else {
        format.dwFlags = DDPF_RGB;
        format.dwRBitMask = display.red_mask;
        format.dwGBitMask = display.green_mask;
        format.dwBBitMask = display.blue_mask;
        format.dwRGBAlphaBitMask = 0;
    }

    // Some drivers only take deep surfaces with an alpha channel, others only
    // without one: three attempts.
    IDirectDrawSurface7* surface = nullptr;
    HRESULT result = display.ddraw->CreateSurface(&desc, &surface, nullptr);
    if (FAILED(result)) {
        format.dwFlags |= DDPF_ALPHAPIXELS;
        format.dwRGBAlphaBitMask = display.alpha_mask;
        result = display.ddraw->CreateSurface(&desc, &surface, nullptr);
        if (FAILED(result)) {
            format.dwFlags &= ~DDPF_ALPHAPIXELS;
            result = display.ddraw->CreateSurface(&desc, &surface, nullptr);
            if (FAILED(result)) {
                display.last_error = result;
                return -2;
            }
        }
    }
    result = surface->GetSurfaceDesc(&desc);
    if (FAILED(result)) {
        display.last_error = result;
        surface->Release();  // never entered into the table, so not kept either
        return -2;
    }

    VirtualBuffer& entry = buffer_table[slot];
    entry.surface = surface;
    entry.bits_per_pixel = display.new_buffer_depth;
    entry.width = static_cast<std::int32_t>(rounded);
    entry.height = height;
    entry.pitch = desc.lPitch;
    entry.clip = ClipRect{0, entry.width - 1, 0, height - 1};
    return slot;
}

std::int32_t gfx_select_buffer(BufferHandle handle) {
    if (static_cast<std::uint32_t>(handle) >= buffer_slots) return -1;
    const VirtualBuffer& entry = buffer_table[handle];
    if (entry.surface == nullptr) return -2;
    active_buffer.surface = entry.surface;
    active_buffer.handle = handle;
    active_buffer.bits_per_pixel = entry.bits_per_pixel;
    active_buffer.pitch = entry.pitch;
    active_buffer.width = entry.width;
    active_buffer.height = entry.height;
    active_buffer.clip = entry.clip;
    active_buffer.pixels = nullptr;
    rebuild_color_lookup();
    return 0;
}

std::int32_t gfx_free_buffer(BufferHandle handle) {
    if (handle < 0) {
        if (active_buffer.handle >= 0) return 0;
        for (VirtualBuffer& entry : buffer_table) {
            if (entry.surface != nullptr) {
                IDirectDrawSurface7* surface = entry.surface;
                entry.surface = nullptr;
                surface->Release();
            }
        }
        return 0;
    }
    if (handle >= buffer_slots || handle == active_buffer.handle) return 0;
    VirtualBuffer& entry = buffer_table[handle];
    if (entry.surface != nullptr) {
        IDirectDrawSurface7* surface = entry.surface;
        entry.surface = nullptr;
        surface->Release();
    }
    return 0;
}

std::int32_t gfx_move_to(std::int32_t x, std::int32_t y) {
    draw_position.x = x;
    draw_position.y = y;
    return 0;
}
