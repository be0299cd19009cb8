// Ending what display set-up started: the old palette back into the device
// context, the Direct3D and DirectDraw objects released in a fixed order,
// and the libraries unloaded.
#include "gfx/state.h"

namespace {

template <typename Interface>
void release(Interface*& object) {
    Interface* held = object;
    object = nullptr;
    held->Release();
}

}  // namespace

std::int32_t gfx_deselect_buffers() {
    active_buffer.handle = -1;
    active_buffer.surface = nullptr;
    return 0;
}

std::int32_t gfx_shutdown() {
    bool free_slot = false;
    for (const VirtualBuffer& slot : buffer_table) free_slot = free_slot || slot.surface == nullptr;
    if (!free_slot) return 0;
    active_buffer.handle = -1;
    if (display.saved_palette != nullptr) SelectPalette(display.attached_dc, display.saved_palette, FALSE);
    FreeLibrary(display.avi_library);
    display.avi_library = nullptr;
    if (display.d3d != nullptr) {
        if (display.viewport != nullptr) release(display.viewport);
        if (display.d3d_device != nullptr) release(display.d3d_device);
        release(display.d3d);
    }
    if (display.ddraw != nullptr) {
        if (display.mode_flags & GFX_MODE_FLIP) display.ddraw->FlipToGDISurface();
        if (display.ddraw_palette != nullptr) {
            if (display.primary != nullptr) display.primary->SetPalette(nullptr);
            release(display.ddraw_palette);
        }
        if (display.clipper != nullptr) {
            if (display.primary != nullptr) display.primary->SetClipper(nullptr);
            release(display.clipper);
        }
        if (display.primary != nullptr) {
            release(display.primary);
            active_buffer.surface = nullptr;
        }
        release(display.ddraw);
        // The DirectDraw object took its surfaces with it: no slot may go on
        // naming one, or a later lock or free would reach a released object.
        for (VirtualBuffer& slot : buffer_table) slot.surface = nullptr;
        active_buffer.surface = nullptr;
        display.back_buffer = nullptr;
    }
    // An object from a set-up that failed before reaching a newer interface
    // is released as well.
    if (display.ddraw_v1 != nullptr) release(display.ddraw_v1);
    // Systems of the NT family keep "DDRAW.DLL" loaded.
    if (display.is_nt != 1 && display.ddraw_library != nullptr) {
        FreeLibrary(display.ddraw_library);
        display.ddraw_library = nullptr;
    }
    if (display.memory_dc != nullptr) {
        DeleteDC(display.memory_dc);
        display.memory_dc = nullptr;
    }
    end_pacing();
    return 0;
}
