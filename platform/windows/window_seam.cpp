// The window seam: the program's window class gets the host's watch in
// front of the program's own procedure, and its window starts on the
// monitor the program was started on. In a screensaver's preview the program's window is made
// a child of the preview window from its first moment, filling its client
// area, so it never shows as a window of its own nor takes the activation
// from the settings dialog; and the cursor, which belongs to the person
// using that dialog, stays as it is. The window the program draws into is
// its own: in the preview the settings dialog's thread and the program's
// share one focus, so the system's focus is the dialog's focused control.
// A window that cannot be made (the preview gone before the program's
// child is made in it) ends the process: the program would wait for a
// window that never comes, its covers on the other monitors with it.
#define NIGHTWICK_SEAMS
#include <string>

#include "../portable/hosts/gdi.h"
#include "program_icon.h"
#include "seams.h"

namespace {

std::string program_class;

// Class names given by name; an atom is never the program's.
bool is_program_class(LPCSTR name) {
    return !program_class.empty() && reinterpret_cast<UINT_PTR>(name) >= 0x10000u &&
           lstrcmpiA(name, program_class.c_str()) == 0;
}

}  // namespace

ATOM WINAPI nightwick_register_class(const WNDCLASSEXA* window_class) {
    if (window_class == nullptr) return RegisterClassExA(window_class);
    if (reinterpret_cast<UINT_PTR>(window_class->lpszClassName) >= 0x10000u) {
        program_class = window_class->lpszClassName;
    }
    WNDCLASSEXA watched = *window_class;
    watched.lpfnWndProc = platform::watch_windows(window_class->lpfnWndProc);
    nightwick::use_program_icon(watched);
    return RegisterClassExA(&watched);
}

namespace {

HWND create_program_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                           int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
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

}  // namespace

HWND WINAPI nightwick_create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    HWND window =
        create_program_window(ex_style, class_name, title, style, x, y, width, height, parent, menu, instance, param);
    // A program that destroyed its window while it was being made (its
    // set-up failed, or the preview went) has asked to end already.
    MSG quit{};
    if (window != nullptr || !is_program_class(class_name) ||
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
        return window;
    }
    // A preview closed before its child was made is the settings dialog
    // moving on: nothing went wrong.
    const HWND preview = platform::preview_parent();
    if (preview != nullptr && IsWindow(preview) == FALSE) ExitProcess(0);
    OutputDebugStringA("Nightwick: its window could not be made; it ends.\n");
    ExitProcess(1);
}

HWND WINAPI nightwick_get_focus() {
    // The preview's focus is the settings dialog's: the program's window
    // there is its own child, and nothing else.
    if (platform::preview_parent() != nullptr) return platform::own_window();
    return GetFocus();
}

int WINAPI nightwick_show_cursor(BOOL show) {
    // The count the program would see had the cursor been its own.
    if (platform::preview_parent() != nullptr) return show ? 0 : -1;
    return ShowCursor(show);
}
