// What makes the program a Windows screensaver (Nightwick.scr). Windows
// starts a screensaver with /s to run it, /c to configure it, /p HWND to
// preview it in the control panel's small window, and with no argument to
// configure it. The program itself does not change: this unit runs before
// WinMain, answers /c and /p itself, and for /s lets any key, click or
// mouse move end the program the way Escape does.
#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

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

// Every message the program takes from its queue passes here first; one
// that should wake the screen becomes the program's own Escape.
LRESULT CALLBACK watch_messages(int code, WPARAM remove, LPARAM lparam) {
    if (code == HC_ACTION && remove == PM_REMOVE) {
        MSG& msg = *reinterpret_cast<MSG*>(lparam);
        if (msg.hwnd != nullptr && wakes(msg)) {
            msg.message = WM_KEYDOWN;
            msg.wParam = VK_ESCAPE;
            msg.lParam = 1;
        }
    }
    return CallNextHookEx(hook, code, remove, lparam);
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
                hook = SetWindowsHookExA(WH_GETMESSAGE, watch_messages, nullptr, GetCurrentThreadId());
                return;
            case 'p':
                // The preview window is a child of the control panel; the
                // exclusive display mode cannot live there, so draw nothing.
                ExitProcess(0);
            default:
                MessageBoxA(nullptr, "Nightwick has no settings.", "Nightwick", MB_OK | MB_ICONINFORMATION);
                ExitProcess(0);
        }
    }
    ~Screensaver() {
        if (hook != nullptr) UnhookWindowsHookEx(hook);
    }
};

Screensaver screensaver;

}  // namespace
