// What the Wine test asks of Windows from outside the program: how a window
// stands, messages Windows itself would send it, and a window of another
// program that takes the activation.
// Usage: window_tool state TITLE          prints "iconic visible left top right bottom"
//        window_tool session TITLE EVENT  sends WM_WTSSESSION_CHANGE with EVENT
//        window_tool display TITLE STATE  posts the display's power state (0 off, 1 on)
//        window_tool front SECONDS        shows "Elsewhere", active, for SECONDS
//        window_tool activate TITLE       makes that window the active one
//        window_tool monitors             prints each monitor's "left top right bottom"
//        window_tool text TITLE           prints the text of the window's controls (a message box's)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND find(const char* title) {
    // The program's window may still be on its way; callers poll for longer.
    for (int tries = 0; tries < 40; ++tries) {
        if (HWND window = FindWindowA(nullptr, title)) return window;
        Sleep(50);
    }
    std::fprintf(stderr, "no window \"%s\"\n", title);
    std::exit(1);
}

// The setting's data lives in the receiving process, as when Windows sends it.
bool post_display_state(HWND window, DWORD state) {
    constexpr GUID console_display_state{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_id);
    if (process == nullptr) return false;
    unsigned char setting[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)]{};
    auto* header = reinterpret_cast<POWERBROADCAST_SETTING*>(setting);
    header->PowerSetting = console_display_state;
    header->DataLength = sizeof(DWORD);
    std::memcpy(header->Data, &state, sizeof state);
    void* remote = VirtualAllocEx(process, nullptr, sizeof setting, MEM_COMMIT, PAGE_READWRITE);
    const bool written = remote != nullptr && WriteProcessMemory(process, remote, setting, sizeof setting, nullptr);
    CloseHandle(process);
    return written && PostMessageA(window, WM_POWERBROADCAST, 0x8013 /* PBT_POWERSETTINGCHANGE */,
                                   reinterpret_cast<LPARAM>(remote));
}

BOOL CALLBACK print_monitor(HMONITOR, HDC, LPRECT area, LPARAM) {
    std::printf("%ld %ld %ld %ld\n", area->left, area->top, area->right, area->bottom);
    return TRUE;
}

BOOL CALLBACK print_text(HWND control, LPARAM) {
    char text[4096];
    if (GetWindowTextA(control, text, sizeof text) > 0) std::printf("%s\n", text);
    return TRUE;
}

int front(int seconds) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = "Elsewhere";
    RegisterClassA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "Elsewhere", "Elsewhere", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100,
                                  nullptr, nullptr, window_class.hInstance, nullptr);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    const DWORD until = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    MSG msg;
    while (GetTickCount() < until) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    }
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "front") == 0) return front(std::atoi(argv[2]));
    if (argc == 2 && std::strcmp(argv[1], "monitors") == 0) {
        return EnumDisplayMonitors(nullptr, nullptr, print_monitor, 0) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "state") == 0) {
        HWND window = find(argv[2]);
        RECT r{};
        GetWindowRect(window, &r);
        std::printf("%d %d %ld %ld %ld %ld\n", IsIconic(window) ? 1 : 0, IsWindowVisible(window) ? 1 : 0, r.left, r.top,
                    r.right, r.bottom);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "text") == 0) return EnumChildWindows(find(argv[2]), print_text, 0), 0;
    if (argc == 3 && std::strcmp(argv[1], "activate") == 0) return SetForegroundWindow(find(argv[2])) ? 0 : 1;
    if (argc == 4 && std::strcmp(argv[1], "session") == 0) {
        // Sent, not posted: once the tool returns the program has heard it,
        // so a test that then looks for frames sees what it did.
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(find(argv[2]), 0x02B1 /* WM_WTSSESSION_CHANGE */, std::atoi(argv[3]), 0,
                                   SMTO_ABORTIFHUNG, 10000, &result)
                   ? 0
                   : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "display") == 0) {
        return post_display_state(find(argv[2]), static_cast<DWORD>(std::atoi(argv[3]))) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: window_tool state|session|display|front ...\n");
    return 2;
}
