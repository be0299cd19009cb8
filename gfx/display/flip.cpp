// Showing buffer 0 by page flipping, holding each frame to the 60 Hz grid,
// and restoring surfaces whose memory the display took away.
#include "gfx/state.h"

std::int32_t gfx_flip() {
    if (display.primary == nullptr) return DDERR_NOTFLIPPABLE;  // no display set up
    HRESULT result = display.primary->Flip(nullptr, DDFLIP_WAIT);
    while (result == DDERR_SURFACELOST) {
        display.loss_seen = 1;
        // While another program holds the display, a restore cannot succeed:
        // report the loss instead of waiting for it forever.
        if (FAILED(display.primary->Restore())) {
            result = DDERR_SURFACELOST;
            break;
        }
        result = display.primary->Flip(nullptr, DDFLIP_WAIT);
    }
    // Paced whatever the flip answered: a display that cannot flip must not
    // make the program run flat out either.
    pace_frame();
    return result;
}

std::int32_t gfx_restore_surfaces() {
    if (display.primary == nullptr) return 0;
    display.primary->Restore();
    for (VirtualBuffer& slot : buffer_table) {
        if (slot.surface != nullptr) slot.surface->Restore();
    }
    if (display.zbuffer != nullptr) display.zbuffer->Restore();
    display.loss_seen = 0;
    return 0;
}

std::int32_t gfx_surfaces_lost() {
    if (display.primary == nullptr) return 0;
    if (display.loss_seen != 0 || display.primary->IsLost() == DDERR_SURFACELOST) return 1;
    for (const VirtualBuffer& slot : buffer_table) {
        if (slot.surface != nullptr && slot.surface->IsLost() == DDERR_SURFACELOST) return 1;
    }
    if (display.zbuffer != nullptr && display.zbuffer->IsLost() == DDERR_SURFACELOST) return 1;
    return 0;
}
