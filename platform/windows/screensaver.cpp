// What makes the program a Windows screensaver (Nightwick.scr), on the
// built-in display. Windows starts a screensaver with /s to run it, /c to
// configure it, /p HWND to preview it in the control panel's small window,
// and with no argument to configure it. The program itself does not change:
// this unit runs before WinMain, answers /c itself, for /s covers the other
// monitors in black and lets any key, click or mouse move end the program
// the way Escape does, and for /p has the program draw in the given window.
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../portable/hosts/gdi.h"
#include "monitors.h"

namespace {

// Moves smaller than this are the mouse settling, not a person.
constexpr int move_tolerance = 6;
// Right after start-up the mode change can move the pointer by itself.
constexpr DWORD settle_ms = 1000;

HHOOK hook = nullptr;
DWORD started = 0;
bool have_origin = false;
POINT origin{};

bool wakes(const MSG& msg) {
    switch (msg.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            return true;
        case WM_MOUSEMOVE: {
            const POINT at{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            if (!have_origin || GetTickCount() - started < settle_ms) {
                origin = at;
                have_origin = true;
                return false;
            }
            return std::abs(at.x - origin.x) > move_tolerance || std::abs(at.y - origin.y) > move_tolerance;
        }
        default:
            return false;
    }
}

std::vector<HWND> black_windows;

bool is_black_window(HWND window) {
    for (HWND black : black_windows) {
        if (black == window) return true;
    }
    return false;
}

// The program's own window: the thread's top-level window that is not one
// of the black ones.
BOOL CALLBACK find_program_window(HWND window, LPARAM found) {
    if (is_black_window(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Every message the program takes from its queue passes here first; one
// that should wake the screen becomes the program's own Escape, even when
// it was meant for a black window on another monitor.
LRESULT CALLBACK watch_messages(int code, WPARAM remove, LPARAM lparam) {
    if (code == HC_ACTION && remove == PM_REMOVE) {
        MSG& msg = *reinterpret_cast<MSG*>(lparam);
        if (msg.hwnd != nullptr && wakes(msg)) {
            if (is_black_window(msg.hwnd)) {
                HWND program = nullptr;
                EnumThreadWindows(GetCurrentThreadId(), find_program_window, reinterpret_cast<LPARAM>(&program));
                if (program != nullptr) msg.hwnd = program;
            }
            msg.message = WM_KEYDOWN;
            msg.wParam = VK_ESCAPE;
            msg.lParam = 1;
        }
    }
    return CallNextHookEx(hook, code, remove, lparam);
}

BOOL CALLBACK add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        reinterpret_cast<std::vector<nightwick::MonitorArea>*>(list)->push_back(
            {r.left, r.top, r.right, r.bottom, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    }
    return TRUE;
}

// A black, topmost window on every monitor but the primary one.
void cover_other_monitors() {
    std::vector<nightwick::MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<LPARAM>(&monitors));
    const nightwick::MonitorPlan plan = nightwick::plan_monitors(monitors);
    if (plan.black.empty()) return;
    WNDCLASSA black_class{};
    black_class.lpfnWndProc = DefWindowProcA;
    black_class.hInstance = GetModuleHandleA(nullptr);
    black_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    black_class.hCursor = nullptr;
    black_class.lpszClassName = "Nightwick black";
    RegisterClassA(&black_class);
    for (const nightwick::MonitorArea& area : plan.black) {
        HWND window = CreateWindowExA(
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Nightwick black", "Nightwick black", WS_POPUP | WS_VISIBLE,
            static_cast<int>(area.left), static_cast<int>(area.top), static_cast<int>(area.right - area.left),
            static_cast<int>(area.bottom - area.top), nullptr, nullptr, black_class.hInstance, nullptr);
        if (window != nullptr) black_windows.push_back(window);
    }
}

// The handle after /p, as decimal (or 0x hexadecimal); null when absent.
HWND preview_window(const char* command_line) {
    const char* p = std::strpbrk(command_line, "/-");
    while (p != nullptr && std::tolower(static_cast<unsigned char>(p[1])) != 'p') p = std::strpbrk(p + 1, "/-");
    if (p == nullptr) return nullptr;
    p += 2;
    while (*p == ' ' || *p == '\t' || *p == ':') ++p;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(p, nullptr, 0)));
}

// The option letter after / or -, lower-cased; 0 when there is none.
char option_letter(const char* command_line) {
    const char* p = command_line;
    // Skip the program's own name, quoted or not.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '/' && *p != '-') return 0;
    return static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
}

// The pictures live next to the .scr; Windows starts it from elsewhere.
void work_beside_the_program() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr) return;
    *slash = '\0';
    SetCurrentDirectoryA(path);
}

struct Screensaver {
    Screensaver() {
        switch (option_letter(GetCommandLineA())) {
            case 's':
                work_beside_the_program();
                started = GetTickCount();
                cover_other_monitors();
                hook = SetWindowsHookExA(WH_GETMESSAGE, watch_messages, nullptr, GetCurrentThreadId());
                return;
            case 'p': {
                // The program runs in the given window until that goes, and
                // its own window with it.
                HWND parent = preview_window(GetCommandLineA());
                if (parent == nullptr || !IsWindow(parent)) ExitProcess(0);
                work_beside_the_program();
                platform::show_in_preview(parent);
                return;
            }
            default:
                MessageBoxA(nullptr, "Nightwick has no settings.", "Nightwick", MB_OK | MB_ICONINFORMATION);
                ExitProcess(0);
        }
    }
    ~Screensaver() {
        if (hook != nullptr) UnhookWindowsHookEx(hook);
        for (HWND window : black_windows) DestroyWindow(window);
    }
};

Screensaver screensaver;

}  // namespace
