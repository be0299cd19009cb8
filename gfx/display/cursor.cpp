// The mouse cursor: hidden while the animation runs, shown again at the end.
// Each change moves the system's display count exactly one step.
#include "gfx/state.h"

std::int32_t gfx_mouse_init() {
    if (GetSystemMetrics(SM_MOUSEPRESENT) == 0) {
        cursor_state.mouse_present = 0;
        return -1;
    }
    cursor_state.mouse_present = 1;
    cursor_state.cursor_visible = 1;
    return 1;
}

std::int32_t gfx_show_cursor(std::int32_t flag) {
    if (cursor_state.mouse_present == 0) return 0;
    const auto wanted = static_cast<std::uint8_t>(flag & 1);
    if (wanted != cursor_state.cursor_visible) {
        cursor_state.cursor_visible = wanted;
        ShowCursor(wanted);
    }
    return 0;
}
