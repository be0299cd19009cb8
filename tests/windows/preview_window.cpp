// Stands in for the screensaver settings dialog, laid out as Windows lays
// it out: a list of screensavers that has the keyboard focus and, beside
// it, a static control, the preview, whose handle it passes when it starts
// SCREENSAVER /p HANDLE on the same desktop. The preview starts empty and
// grows to 320 x 240 once the screensaver's child window is there, then,
// once the child has covered it for 2 s and the test has looked at it
// (OUT/seen-1.txt is there), to 640 x 480; when the child has covered that
// too for 2 s and the test has looked (OUT/seen-2.txt), it closes. The test
// says so itself: its screenshots take their time on a loaded machine. The
// child follows the preview's size only while the screensaver runs and
// shows its pages. It writes where the list is on the screen into
// OUT/list.txt, each size the child covered into OUT/fits.txt, and what it
// saw wrong into OUT/faults.txt: a top-level window of the screensaver, the
// activation or the list's focus lost, the list moved or resized, no child
// window, a child that did not come to cover the preview within LIMIT
// seconds. Once closed it notes in OUT/ended.txt how the screensaver ended:
// its exit code and the milliseconds it took after the window went, or
// "running" when it did not end within 5 s.
// With "close-after MS", it only closes the dialog MS milliseconds after
// starting the screensaver, whatever that is doing.
// Usage: preview_window LIMIT OUT SCREENSAVER
//        preview_window close-after MS OUT SCREENSAVER
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string out_dir;
bool top_level_seen = false, activation_lost = false, focus_lost = false, list_moved = false;
int size_step = 0;
DWORD covered_at = 0;
HWND list = nullptr, preview = nullptr;
RECT list_at{};

void note(const char* file_name, const std::string& text, const char* mode = "a") {
    if (FILE* file = std::fopen((out_dir + "\\" + file_name).c_str(), mode)) {
        std::fprintf(file, "%s\n", text.c_str());
        std::fclose(file);
    }
}

bool seen_by_test(int step) {
    return GetFileAttributesA((out_dir + "\\seen-" + std::to_string(step) + ".txt").c_str()) != INVALID_FILE_ATTRIBUTES;
}

void grow(int width, int height) {
    SetWindowPos(preview, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Whether the screensaver's child covers the preview's client area exactly.
bool child_covers() {
    HWND child = FindWindowExA(preview, nullptr, "Nightwick", nullptr);
    RECT area{}, mine{};
    GetClientRect(preview, &area);
    if (child == nullptr || !GetWindowRect(child, &mine)) return false;
    MapWindowPoints(nullptr, preview, reinterpret_cast<POINT*>(&mine), 2);
    return EqualRect(&area, &mine) != FALSE;
}

void fault_once(bool& noted, bool fault, const char* text) {
    if (fault && !noted) note("faults.txt", text);
    noted = noted || fault;
}

// Every few milliseconds: the program's own window class must never be a
// top-level window, this window must keep the activation and the list its
// focus and its place.
void watch(HWND window) {
    fault_once(top_level_seen, FindWindowA("Nightwick", nullptr) != nullptr,
               "a top-level window of the screensaver appeared");
    fault_once(activation_lost, GetForegroundWindow() != window, "the preview's window lost the activation");
    fault_once(focus_lost, GetFocus() != list, "the focused list lost the focus");
    RECT now{};
    GetWindowRect(list, &now);
    fault_once(list_moved, !EqualRect(&now, &list_at), "the focused list was moved or resized");
    if (size_step == 0 && FindWindowExA(preview, nullptr, "Nightwick", nullptr) != nullptr) {
        size_step = 1;
        grow(320, 240);
    } else if ((size_step == 1 || size_step == 2) && covered_at == 0 && child_covers()) {
        covered_at = GetTickCount();
        note("fits.txt", size_step == 1 ? "320 240" : "640 480");
    } else if (covered_at != 0 && GetTickCount() - covered_at >= 2000 && seen_by_test(size_step)) {
        covered_at = 0;
        if (++size_step == 2) {
            grow(640, 480);
        } else {
            DestroyWindow(window);
        }
    }
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (wparam == 1) watch(window);
            if (wparam == 3) DestroyWindow(window);
            if (wparam == 2) {
                note("faults.txt", size_step == 0 ? "no child window appeared"
                                                  : "the child did not come to cover the preview at its size " +
                                                        std::to_string(size_step));
                DestroyWindow(window);
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

// The dialog: the list, focused, and the preview beside it, empty at first.
HWND make_dialog() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    window_class.lpszClassName = "Preview";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("Preview", "Preview", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40, 880, 500,
                                nullptr, nullptr, window_class.hInstance, nullptr);
    list = CreateWindowA("LISTBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 120, window, nullptr,
                         window_class.hInstance, nullptr);
    for (const char* name : {"(None)", "Blank", "Nightwick", "Ribbons"}) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(list, LB_SETCURSEL, 2, 0);
    preview = CreateWindowA("STATIC", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 220, 10, 0, 0, window, nullptr,
                            window_class.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(list);
    GetWindowRect(list, &list_at);
    return window;
}

bool start(const char* screensaver_path, PROCESS_INFORMATION& screensaver) {
    std::string command = "\"";
    command.append(screensaver_path).append("\" /p ");
    command += std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(preview)));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &screensaver)) {
        return true;
    }
    std::fprintf(stderr, "cannot start %s\n", screensaver_path);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bool close_after = argc == 5 && std::string(argv[1]) == "close-after";
    if (argc != 4 && !close_after) {
        std::fprintf(stderr, "usage: preview_window LIMIT OUT SCREENSAVER | close-after MS OUT SCREENSAVER\n");
        return 2;
    }
    out_dir = argv[close_after ? 3 : 2];
    HWND window = make_dialog();
    note("list.txt",
         std::to_string(list_at.left) + " " + std::to_string(list_at.top) + " " +
             std::to_string(list_at.right - list_at.left) + " " + std::to_string(list_at.bottom - list_at.top),
         "w");
    PROCESS_INFORMATION screensaver{};
    if (!start(argv[argc - 1], screensaver)) return 1;
    if (close_after) {
        SetTimer(window, 3, static_cast<UINT>(std::atoi(argv[2])), nullptr);
    } else {
        SetTimer(window, 1, 10, nullptr);
        SetTimer(window, 2, static_cast<UINT>(std::atoi(argv[1]) * 1000), nullptr);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    const DWORD gone = GetTickCount();
    DWORD code = 0;
    const bool ended = WaitForSingleObject(screensaver.hProcess, 5000) == WAIT_OBJECT_0;
    GetExitCodeProcess(screensaver.hProcess, &code);
    note("ended.txt", ended ? std::to_string(code) + " " + std::to_string(GetTickCount() - gone) : "running", "w");
    if (!ended) TerminateProcess(screensaver.hProcess, 1);
    return 0;
}
