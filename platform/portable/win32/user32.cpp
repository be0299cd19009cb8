// USER32 of the portable platform: window classes and windows, one thread's
// message queue, activation and focus, message boxes, the cursor count and
// the keyboard state.
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>

#include "../control/call_log.h"
#include "../control/control.h"
#include "../control/host.h"
#include "../control/reset.h"
#include "../control/timer_resolution.h"
#include "shared_state.h"

using namespace platform::detail;

// How the host's events reach the program: as window messages.
namespace platform::detail {
void deliver_activation(bool active);
void deliver_key(int virtual_key);
void deliver_close();
}  // namespace platform::detail

namespace {

struct WindowRecord {
    WNDPROC procedure = nullptr;
    std::string class_name;
    DWORD style = 0;
    DWORD ex_style = 0;
    bool visible = false;
    bool destroying = false;
};

struct User {
    std::map<std::string, WNDCLASSEXA> classes;
    std::map<std::uintptr_t, WindowRecord> windows;
    std::uintptr_t next_window = 0x10010;
    std::deque<MSG> queue;
    bool quit_posted = false;
    int quit_code = 0;
    HWND focus = nullptr;
    bool active = false;
    bool ever_shown = false;
    bool mouse_present = true;
    int cursor_count = 0;
    std::array<BYTE, 256> keys{};
    std::vector<platform::MessageBoxRecord> boxes;
    std::uintptr_t next_dc = 0x20010;
};

User& user() {
    static User state;
    return state;
}

std::string upper(const char* text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

WindowRecord* window_record(HWND window) {
    auto found = user().windows.find(reinterpret_cast<std::uintptr_t>(window));
    return found == user().windows.end() ? nullptr : &found->second;
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowRecord* record = window_record(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wparam, lparam);
}

// Top-level windows get activation messages; copy the handles first, since
// a window procedure may destroy windows while it runs.
std::vector<HWND> top_windows() {
    std::vector<HWND> result;
    for (auto& [handle, record] : user().windows) {
        if (!record.destroying) result.push_back(reinterpret_cast<HWND>(handle));
    }
    return result;
}

struct Events : platform::HostEvents {
    void key_down(int virtual_key) override { deliver_key(virtual_key); }
    void activate(bool active) override { deliver_activation(active); }
    void close() override { deliver_close(); }
};

}  // namespace

namespace platform {

namespace {
const detail::ResetHook reset_user32(detail::ResetOrder::user32, [] { user() = User{}; });
}  // namespace

bool detail::is_window(HWND window) { return window_record(window) != nullptr; }

void detail::deliver_activation(bool active) {
    User& state = user();
    if (state.active == active) return;
    state.active = active;
    // The fine timer resolution is held only while the application runs.
    platform::allow_timer_resolution(active);
    for (HWND window : top_windows()) send(window, WM_ACTIVATEAPP, active ? 1 : 0, 0);
    if (active) {
        std::vector<HWND> windows = top_windows();
        if (!windows.empty()) {
            state.focus = windows.front();
            send(state.focus, WM_SETFOCUS, 0, 0);
        }
    } else if (state.focus != nullptr) {
        HWND old = state.focus;
        state.focus = nullptr;
        send(old, WM_KILLFOCUS, 0, 0);
    }
}

void detail::deliver_key(int virtual_key) {
    User& state = user();
    HWND target = state.focus;
    if (target == nullptr) {
        std::vector<HWND> windows = top_windows();
        if (windows.empty()) return;
        target = windows.front();
    }
    state.queue.push_back(MSG{target, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), 1, 0, {0, 0}});
}

void detail::deliver_close() {
    for (HWND window : top_windows()) user().queue.push_back(MSG{window, WM_CLOSE, 0, 0, 0, {0, 0}});
}

void set_mouse_present(bool present) {
    user().mouse_present = present;
    user().cursor_count = present ? 0 : -1;
}

int cursor_display_count() { return user().cursor_count; }
const std::vector<MessageBoxRecord>& message_boxes() { return user().boxes; }
std::vector<BYTE> keyboard_state() { return {user().keys.begin(), user().keys.end()}; }
std::size_t window_count() { return user().windows.size(); }

}  // namespace platform

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* window_class) {
    if (auto failed = logged<ATOM>("RegisterClassExA",
                                   {ptr(window_class), str(window_class ? window_class->lpszClassName : nullptr)})) {
        return *failed;
    }
    if (window_class == nullptr || window_class->cbSize != sizeof(WNDCLASSEXA) ||
        window_class->lpszClassName == nullptr || window_class->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    User& state = user();
    std::string name = upper(window_class->lpszClassName);
    if (state.classes.count(name) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    state.classes[name] = *window_class;
    return static_cast<ATOM>(0xC000 + state.classes.size());
}

HWND WINAPI CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (auto failed = logged<HWND>("CreateWindowExA",
                                   {hex(ex_style), str(class_name), str(title), hex(style), num(x), num(y), num(width),
                                    num(height), ptr(parent), ptr(menu), ptr(instance), ptr(param)})) {
        return *failed;
    }
    User& state = user();
    if (class_name == nullptr || state.classes.count(upper(class_name)) == 0) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    if (parent != nullptr && window_record(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    std::uintptr_t handle = state.next_window;
    state.next_window += 0x10;
    WindowRecord& record = state.windows[handle];
    record.procedure = state.classes[upper(class_name)].lpfnWndProc;
    record.class_name = upper(class_name);
    record.style = style;
    record.ex_style = ex_style;
    HWND window = reinterpret_cast<HWND>(handle);
    // WM_CREATE is sent before CreateWindowExA returns; -1 refuses the window.
    if (send(window, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    if (window_record(window) == nullptr) return nullptr;  // destroyed during its own creation
    if (style & WS_VISIBLE) ShowWindow(window, SW_SHOW);
    return window;
}

BOOL WINAPI ShowWindow(HWND window, int show) {
    if (auto failed = logged<BOOL>("ShowWindow", {ptr(window), num(show)})) return *failed;
    WindowRecord* record = window_record(window);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool was_visible = record->visible;
    record->visible = show != SW_HIDE;
    // The first window shown makes the application the active one.
    if (record->visible && !user().ever_shown) {
        user().ever_shown = true;
        deliver_activation(true);
    }
    return was_visible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND window) {
    if (auto failed = logged<BOOL>("UpdateWindow", {ptr(window)})) return *failed;
    return window_record(window) != nullptr ? TRUE : FALSE;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (auto failed = logged<BOOL>("DestroyWindow", {ptr(window)})) return *failed;
    WindowRecord* record = window_record(window);
    if (record == nullptr || record->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    record->destroying = true;
    User& state = user();
    if (state.focus == window) state.focus = nullptr;
    send(window, WM_DESTROY, 0, 0);
    state.windows.erase(reinterpret_cast<std::uintptr_t>(window));
    // Messages still queued for the window are dropped with it.
    for (auto it = state.queue.begin(); it != state.queue.end();) {
        it = it->hwnd == window ? state.queue.erase(it) : it + 1;
    }
    return TRUE;
}

BOOL WINAPI WaitMessage() {
    if (auto failed = logged<BOOL>("WaitMessage", {})) return *failed;
    User& state = user();
    // Returns as soon as there is something to take; otherwise the host
    // sleeps until input comes.
    if (state.queue.empty() && !state.quit_posted) {
        Events events;
        platform::host().wait(events);
    }
    return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (auto failed = logged<BOOL>("PeekMessageA", {ptr(msg), ptr(window), num(first), num(last), num(remove)})) {
        return *failed;
    }
    if (msg == nullptr) return FALSE;
    User& state = user();
    Events events;
    platform::host().pump(events);
    for (auto it = state.queue.begin(); it != state.queue.end(); ++it) {
        bool window_matches = window == nullptr || it->hwnd == window;
        bool range_matches = (first == 0 && last == 0) || (it->message >= first && it->message <= last);
        if (window_matches && range_matches) {
            *msg = *it;
            if (remove & PM_REMOVE) state.queue.erase(it);
            return TRUE;
        }
    }
    // WM_QUIT comes once the queue holds nothing else.
    if (state.quit_posted && window == nullptr) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(state.quit_code), 0, 0, {0, 0}};
        if (remove & PM_REMOVE) state.quit_posted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (auto failed = logged<BOOL>("TranslateMessage", {ptr(msg)})) return *failed;
    return FALSE;  // no character messages are made here
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (auto failed = logged<LRESULT>("DispatchMessageA", {ptr(msg), num(msg ? msg->message : 0)})) return *failed;
    if (msg == nullptr) return 0;
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (auto failed = logged<BOOL>("PostMessageA",
                                   {ptr(window), num(message), num(static_cast<std::int64_t>(wparam)), num(lparam)})) {
        return *failed;
    }
    if (window != nullptr && window_record(window) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    user().queue.push_back(MSG{window, message, wparam, lparam, 0, {0, 0}});
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (auto failed = logged<LRESULT>(
            "SendMessageA", {ptr(window), num(message), num(static_cast<std::int64_t>(wparam)), num(lparam)})) {
        return *failed;
    }
    return send(window, message, wparam, lparam);
}

void WINAPI PostQuitMessage(int exit_code) {
    if (logged<void>("PostQuitMessage", {num(exit_code)})) return;
    user().quit_posted = true;
    user().quit_code = exit_code;
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (auto failed = logged<LRESULT>(
            "DefWindowProcA", {ptr(window), num(message), num(static_cast<std::int64_t>(wparam)), num(lparam)})) {
        return *failed;
    }
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (auto failed = logged<int>("MessageBoxA", {ptr(owner), str(text), str(caption), hex(type)})) return *failed;
    const char* shown_text = text != nullptr ? text : "";
    const char* shown_caption = caption != nullptr ? caption : "Error";
    user().boxes.push_back(platform::MessageBoxRecord{owner, shown_text, shown_caption, type});
    return platform::host().message_box(owner, shown_text, shown_caption, type);
}

HWND WINAPI GetFocus() {
    if (auto failed = logged<HWND>("GetFocus", {})) return *failed;
    return user().focus;
}

BOOL WINAPI SetKeyboardState(LPBYTE state) {
    if (auto failed = logged<BOOL>("SetKeyboardState", {ptr(state)})) return *failed;
    if (state == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memcpy(user().keys.data(), state, 256);
    return TRUE;
}

BOOL WINAPI GetKeyboardState(LPBYTE state) {
    if (auto failed = logged<BOOL>("GetKeyboardState", {ptr(state)})) return *failed;
    if (state == nullptr) return FALSE;
    std::memcpy(state, user().keys.data(), 256);
    return TRUE;
}

int WINAPI GetSystemMetrics(int index) {
    if (auto failed = logged<int>("GetSystemMetrics", {num(index)})) return *failed;
    if (index == SM_MOUSEPRESENT) return user().mouse_present ? 1 : 0;
    return 0;
}

int WINAPI ShowCursor(BOOL show) {
    if (auto failed = logged<int>("ShowCursor", {num(show)})) return *failed;
    User& state = user();
    state.cursor_count += show ? 1 : -1;
    platform::host().show_cursor(state.cursor_count >= 0);
    return state.cursor_count;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (auto failed = logged<HICON>("LoadIconA", {ptr(instance), ptr(name)})) return *failed;
    // Only the system's stock icons exist: they need no instance.
    if (instance != nullptr || name != IDI_APPLICATION) return nullptr;
    return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x30001));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (auto failed = logged<HCURSOR>("LoadCursorA", {ptr(instance), ptr(name)})) return *failed;
    if (instance != nullptr || name != IDC_ARROW) return nullptr;
    return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(0x30003));
}
