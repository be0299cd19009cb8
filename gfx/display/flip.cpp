// Showing buffer 0 by page flipping, and restoring surfaces whose memory the
// display took away.
#include "gfx/state.h"

std::int32_t gfx_flip() {
    if (display.primary == nullptr) return DDERR_NOTFLIPPABLE;  // no display set up
    HRESULT result = display.primary->Flip(nullptr, DDFLIP_WAIT);
    while (result == DDERR_SURFACELOST) {
        // While another program holds the display, a restore cannot succeed:
        // report the loss instead of waiting for it forever.
        if (FAILED(display.primary->Restore())) return DDERR_SURFACELOST;
        result = display.primary->Flip(nullptr, DDFLIP_WAIT);
    }
    return result;
}

std::int32_t gfx_restore_surfaces() {
    if (display.primary == nullptr) return 0;
    display.primary->Restore();
    for (VirtualBuffer& slot : buffer_table) {
        if (slot.surface != nullptr) slot.surface->Restore();
    }
    if (display.zbuffer != nullptr) display.zbuffer->Restore();
    return 0;
}
