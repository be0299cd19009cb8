// The window seam: the program's window class gets the host's watch in
// front of the program's own procedure, and its window starts on the
// monitor the program was started on. In a screensaver's preview the program's window is made
// a child of the preview window from its first moment, filling its client
// area, so it never shows as a window of its own nor takes the activation
// from the settings dialog; and the cursor, which belongs to the person
// using that dialog, stays as it is.
#define NIGHTWICK_SEAMS
#include "../portable/hosts/gdi.h"
#include "seams.h"

ATOM WINAPI nightwick_register_class(const WNDCLASSEXA* window_class) {
    if (window_class == nullptr) return RegisterClassExA(window_class);
    WNDCLASSEXA watched = *window_class;
    watched.lpfnWndProc = platform::watch_windows(window_class->lpfnWndProc);
    return RegisterClassExA(&watched);
}

HWND WINAPI nightwick_create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    HWND preview = platform::preview_parent();
    if (parent != nullptr || (style & WS_CHILD) != 0) {
        return CreateWindowExA(ex_style, class_name, title, style, x, y, width, height, parent, menu, instance, param);
    }
    if (preview == nullptr) {
        // The scaled program covers the monitor it was started on, where
        // the pointer is; the screensaver the primary one.
        POINT pointer{};
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (platform::window_role() == platform::WindowRole::program && GetCursorPos(&pointer) &&
            GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            x += monitor.rcMonitor.left;
            y += monitor.rcMonitor.top;
        }
        return CreateWindowExA(ex_style, class_name, title, style, x, y, width, height, parent, menu, instance, param);
    }
    RECT area{};
    GetClientRect(preview, &area);
    return CreateWindowExA(0, class_name, title, WS_CHILD | (style & WS_VISIBLE), 0, 0, area.right, area.bottom,
                           preview, nullptr, instance, param);
}

int WINAPI nightwick_show_cursor(BOOL show) {
    // The count the program would see had the cursor been its own.
    if (platform::preview_parent() != nullptr) return show ? 0 : -1;
    return ShowCursor(show);
}
