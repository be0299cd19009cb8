// What the program's window does on Windows beyond the program's own window
// procedure, which it wraps from the window's first message (the window
// seam registers the class with this procedure in front): it paints its
// last page when uncovered, follows display changes, and decides when the
// program hears that it is active.
// The program runs only while it has the activation, the display is on and
// the session is unlocked and connected; the fine timer resolution, and for
// the scaled program the display itself, are held just as long.
// Losing the activation minimises the scaled program (as an exclusive
// display would) and ends the screensaver.
#include <cstring>

#include "../control/timer_resolution.h"
#include "gdi.h"

namespace platform {
namespace {

GdiHost* watched_host = nullptr;
WNDPROC program_procedure = nullptr;
HWND own = nullptr;

// What the running state is made of; the program hears of each change.
struct Activity {
    bool activated = false;
    bool ever_activated = false;
    bool display_on = true;
    // Locked and connected are apart: a locked session that is connected
    // again (switching back to it, a remote session reconnecting) is still
    // behind its lock screen.
    bool unlocked = true;
    bool connected = true;
    bool suspended = false;
    bool told = false;  // what the program last heard
    bool running() const { return activated && display_on && unlocked && connected && !suspended; }
} activity;

// Windows 8 and later tell these apart; older ones send only the monitor's
// power state, which says the same.
constexpr GUID console_display_state{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID monitor_power_on{0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr WPARAM power_setting_change = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr UINT session_change = 0x02B1;          // WM_WTSSESSION_CHANGE

// While paused nothing is presented, where a change of the monitors is
// otherwise seen when no message tells it: a look once a second.
constexpr UINT_PTR display_check = 0x4E57;

void tell_program(HWND window) {
    const bool running = activity.running();
    if (running == activity.told) return;
    activity.told = running;
    allow_timer_resolution(running);
    // A full-screen animation is watched as a video is: while it runs the
    // display stays on and the system's screensaver waits. A screensaver
    // itself, or its preview, never holds the display.
    if (window_role() == WindowRole::program) {
        SetThreadExecutionState(running ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED : ES_CONTINUOUS);
    }
    if (running) {
        KillTimer(window, display_check);
    } else if (window_role() != WindowRole::preview) {
        SetTimer(window, display_check, 1000, nullptr);
    }
    CallWindowProcA(program_procedure, window, WM_ACTIVATEAPP, running ? TRUE : FALSE, 0);
}

void activation(HWND window, bool active) {
    activity.activated = active;
    if (active) activity.ever_activated = true;
    const WindowRole role = window_role();
    // Restored once the activation is complete, as a click on its button
    // in the taskbar would.
    if (active && role == WindowRole::program && IsIconic(window)) PostMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    tell_program(window);
    if (active) return;
    if (role == WindowRole::program) {
        // Out of the way of the program the user went to, until clicked again.
        ShowWindow(window, SW_SHOWMINNOACTIVE);
    } else if (role == WindowRole::screensaver && activity.ever_activated) {
        // The same end as a key press.
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
    }
}

void power(HWND window, LPARAM lparam) {
    const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lparam);
    if (setting == nullptr || setting->DataLength < sizeof(DWORD)) return;
    if (std::memcmp(&setting->PowerSetting, &console_display_state, sizeof(GUID)) != 0 &&
        std::memcmp(&setting->PowerSetting, &monitor_power_on, sizeof(GUID)) != 0) {
        return;
    }
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof state);
    activity.display_on = state != 0;  // 1 on, 2 dimmed: either is seen
    tell_program(window);
}

void session(HWND window, WPARAM event) {
    switch (event) {
        case 0x1:  // WTS_CONSOLE_CONNECT
        case 0x3:  // WTS_REMOTE_CONNECT
            activity.connected = true;
            break;
        case 0x2:  // WTS_CONSOLE_DISCONNECT
        case 0x4:  // WTS_REMOTE_DISCONNECT
            activity.connected = false;
            break;
        case 0x7:  // WTS_SESSION_LOCK
            activity.unlocked = false;
            break;
        case 0x8:  // WTS_SESSION_UNLOCK
            activity.unlocked = true;
            break;
        default:
            return;
    }
    tell_program(window);
}

// Power and session news come only to windows that ask for them, until
// they stop asking as the window goes. Each call is looked up, since older
// Windows have none of them; the session's module comes from the system
// folder.
HPOWERNOTIFY power_news[2] = {};
HMODULE session_module = nullptr;

template <typename Call>
Call look_up(HMODULE module, const char* name) {
    return module != nullptr ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

void ask_for_news(HWND window) {
    using RegisterPower = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
    using RegisterSession = BOOL(WINAPI*)(HWND, DWORD);
    if (auto power = look_up<RegisterPower>(GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification")) {
        power_news[0] = power(window, &console_display_state, DEVICE_NOTIFY_WINDOW_HANDLE);
        power_news[1] = power(window, &monitor_power_on, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    session_module = LoadLibraryA("wtsapi32.dll");
    if (auto session = look_up<RegisterSession>(session_module, "WTSRegisterSessionNotification")) {
        session(window, 0 /* NOTIFY_FOR_THIS_SESSION */);
    }
}

void stop_news(HWND window) {
    using UnregisterPower = BOOL(WINAPI*)(HPOWERNOTIFY);
    using UnregisterSession = BOOL(WINAPI*)(HWND);
    if (auto power = look_up<UnregisterPower>(GetModuleHandleA("user32.dll"), "UnregisterPowerSettingNotification")) {
        for (HPOWERNOTIFY& news : power_news) {
            if (news != nullptr) power(news);
            news = nullptr;
        }
    }
    if (auto session = look_up<UnregisterSession>(session_module, "WTSUnRegisterSessionNotification")) {
        session(window);
    }
}

LRESULT CALLBACK watch(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    const WindowRole role = window_role();
    if (own == nullptr) own = window;
    switch (message) {
        case WM_CREATE:
            ask_for_news(window);
            break;
        case WM_PAINT:
            if (watched_host != nullptr) {
                PAINTSTRUCT paint{};
                HDC dc = BeginPaint(window, &paint);
                watched_host->paint(dc, paint.rcPaint);
                EndPaint(window, &paint);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (watched_host != nullptr) return 1;  // every pixel is painted
            break;
        case WM_TIMER:
            if (wparam != display_check) break;
            if (watched_host != nullptr && watched_host->display_moved()) {
                watched_host->display_changed();
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_DISPLAYCHANGE:
            if (watched_host != nullptr) watched_host->display_changed();
            InvalidateRect(window, nullptr, FALSE);
            break;
        case WM_ACTIVATEAPP:
            activation(window, wparam != FALSE);
            return 0;
        case WM_POWERBROADCAST:
            if (wparam == PBT_APMSUSPEND || wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND) {
                activity.suspended = wparam == PBT_APMSUSPEND;
                tell_program(window);
            } else if (wparam == power_setting_change) {
                power(window, lparam);
            }
            return TRUE;
        case session_change:
            session(window, wparam);
            break;
        case WM_SYSCOMMAND:
            // A screensaver already runs.
            if (role == WindowRole::screensaver && (wparam & 0xFFF0) == SC_SCREENSAVE) return 0;
            if ((wparam & 0xFFF0) == SC_RESTORE && IsIconic(window)) {
                const LRESULT result = CallWindowProcA(program_procedure, window, message, wparam, lparam);
                if (watched_host != nullptr) watched_host->fit();
                SetFocus(window);
                return result;
            }
            break;
        case WM_MOUSEACTIVATE:
            if (role == WindowRole::preview) return MA_NOACTIVATE;
            break;
        case WM_DESTROY:
            allow_timer_resolution(false);
            if (role == WindowRole::program) SetThreadExecutionState(ES_CONTINUOUS);
            stop_news(window);
            break;
        case WM_NCDESTROY:
            if (window == own) own = nullptr;
            break;
        default:
            break;
    }
    return CallWindowProcA(program_procedure, window, message, wparam, lparam);
}

}  // namespace

WNDPROC watch_windows(WNDPROC procedure) {
    program_procedure = procedure;
    return watch;
}

void show_through(GdiHost& host) { watched_host = &host; }

HWND own_window() { return own; }

void activate_preview(HWND window) { activation(window, true); }

}  // namespace platform
