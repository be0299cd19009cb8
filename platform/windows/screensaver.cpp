// What makes the program a Windows screensaver (Nightwick.scr), on the
// built-in display. Windows starts a screensaver with /s to run it, /c to
// configure it, /p HWND to preview it in the control panel's small window,
// and with no argument to configure it. The program itself does not change:
// this unit runs before WinMain, answers /c itself, for /s covers the other
// monitors in black (never taking the activation from the program's window)
// and lets any key, click or mouse move end the program the way Escape
// does, and for /p has the program draw in the given window.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../portable/hosts/gdi.h"
#include "monitors.h"
#include "program_path.h"
#include "screensaver_arguments.h"

namespace {

// Moves smaller than this are the mouse settling, not a person.
constexpr int move_tolerance = 6;
// Right after start-up, or a change of the monitors, the pointer can move
// by itself.
constexpr DWORD settle_ms = 1000;

HHOOK message_hook = nullptr;
DWORD started = 0;
bool have_origin = false;
POINT origin{};
RECT origin_desktop{};

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
            // In screen coordinates: the move may be meant for any of the
            // program's windows, on any monitor. A change of the monitors
            // moves the pointer by itself: it settles again after one.
            // Where the pointer is comes from the cursor, not the message:
            // a move queued while windows and monitors are being moved can
            // carry a position mapped through the old layout, far from
            // where the pointer stands, before the new layout is known.
            POINT at{};
            if (!GetCursorPos(&at)) at = msg.pt;
            const RECT desktop = platform::virtual_screen();
            if (!EqualRect(&desktop, &origin_desktop)) {
                origin_desktop = desktop;
                started = GetTickCount();
                have_origin = false;
            }
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

// Every message the program takes from its queue passes here first; one
// that should wake the screen becomes the program's own Escape, even when
// it was meant for a black window on another monitor.
LRESULT CALLBACK watch_messages(int code, WPARAM remove, LPARAM lparam) {
    if (code == HC_ACTION && remove == PM_REMOVE) {
        MSG& msg = *reinterpret_cast<MSG*>(lparam);
        HWND program = platform::program_window();
        if (msg.hwnd != nullptr && program != nullptr && wakes(msg)) {
            msg.hwnd = program;
            msg.message = WM_KEYDOWN;
            msg.wParam = VK_ESCAPE;
            msg.lParam = 1;
        }
    }
    return CallNextHookEx(message_hook, code, remove, lparam);
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

// A black, topmost window on every monitor but the primary one, made again
// to the monitors as they are whenever the display changes. They never take
// the activation: the program's window must have it, or it would not run.
void cover_other_monitors() {
    std::vector<nightwick::MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<LPARAM>(&monitors));
    const std::vector<nightwick::MonitorArea> black = nightwick::plan_monitors(monitors).black;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    static const bool registered = [instance] {
        WNDCLASSA black_class{};
        black_class.lpfnWndProc = DefWindowProcA;
        black_class.hInstance = instance;
        black_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        black_class.lpszClassName = "Nightwick black";
        return RegisterClassA(&black_class) != 0;
    }();
    if (!registered) return;
    while (black_windows.size() > black.size()) {
        DestroyWindow(black_windows.back());
        black_windows.pop_back();
    }
    for (std::size_t i = 0; i < black.size(); ++i) {
        const nightwick::MonitorArea& area = black[i];
        if (i == black_windows.size()) {
            HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "Nightwick black",
                                          "Nightwick black", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
            if (window == nullptr) return;
            black_windows.push_back(window);
        }
        SetWindowPos(black_windows[i], HWND_TOPMOST, static_cast<int>(area.left), static_cast<int>(area.top),
                     static_cast<int>(area.right - area.left), static_cast<int>(area.bottom - area.top),
                     SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
}

std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

// Windows starts a screensaver from elsewhere: the pictures beside it are
// found from its own folder. (A folder too long to be the current one is
// still read from, through the file seam.)
void work_beside_the_program(const std::wstring& program) {
    const std::size_t slash = program.rfind(L'\\');
    if (slash != std::wstring::npos) SetCurrentDirectoryW(program.substr(0, slash).c_str());
}

// The preview's window can go at any moment of the start, even while the
// program is making its own window in it or setting up its display; the
// program then ends by itself as its window goes. Should that moment fall
// where the program cannot hear it, this ends the process a second after
// the preview went, so no screensaver is ever left behind, invisible.
DWORD WINAPI outlive_no_preview(LPVOID preview) {
    while (IsWindow(static_cast<HWND>(preview))) Sleep(100);
    Sleep(1000);
    ExitProcess(0);
}

struct Screensaver {
    Screensaver() {
        const std::wstring program = nightwick::program_path();
        const nightwick::ScreensaverArguments arguments =
            nightwick::parse_screensaver_arguments(utf8(GetCommandLineW()), utf8(program.c_str()));
        HWND window = reinterpret_cast<HWND>(arguments.window);
        switch (arguments.mode) {
            case nightwick::ScreensaverArguments::Mode::run:
                work_beside_the_program(program);
                platform::set_window_role(platform::WindowRole::screensaver);
                started = GetTickCount();
                origin_desktop = platform::virtual_screen();
                cover_other_monitors();
                // A mode changed, or a monitor attached or woken, lays them out anew.
                platform::on_display_change(cover_other_monitors);
                message_hook = SetWindowsHookExA(WH_GETMESSAGE, watch_messages, nullptr, GetCurrentThreadId());
                return;
            case nightwick::ScreensaverArguments::Mode::preview:
                // The program runs in the given window until that goes, and
                // its own window with it.
                if (window == nullptr || !IsWindow(window)) ExitProcess(0);
                work_beside_the_program(program);
                platform::set_window_role(platform::WindowRole::preview, window);
                if (HANDLE watcher = CreateThread(nullptr, 0, outlive_no_preview, window, 0, nullptr)) {
                    CloseHandle(watcher);
                }
                return;
            case nightwick::ScreensaverArguments::Mode::configure:
                // Owned by the settings dialog (or whatever is in front), so
                // it opens over it and holds it until closed.
                if (window == nullptr || !IsWindow(window)) window = GetForegroundWindow();
                MessageBoxA(window, "Nightwick has no settings.", "Nightwick", MB_OK | MB_ICONINFORMATION);
                ExitProcess(0);
        }
    }
    ~Screensaver() {
        if (message_hook != nullptr) UnhookWindowsHookEx(message_hook);
        for (HWND window : black_windows) DestroyWindow(window);
    }
};

Screensaver screensaver;

}  // namespace
