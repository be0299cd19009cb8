// Stands in for the screensaver settings' preview: a window in which it
// starts SCREENSAVER /p HANDLE, as the settings dialog does, on the same
// desktop. Its client area starts empty and grows to 320 x 240 once the
// screensaver's child window is there, then to 640 x 480 once the test has
// seen it draw (it makes OUT/grow); it never paints, so what shows there is
// the child's alone. It writes where its client area is on the screen and
// how large into OUT/client.txt at each size, and what it saw wrong into
// OUT/faults.txt: a top-level window of the screensaver, the activation
// lost, no child window. When the test makes OUT/close, it destroys its
// window and notes in OUT/ended.txt how the screensaver ended: its exit
// code and the milliseconds it took after the window went, or "running"
// when it did not end within 5 s. The test drives each step, so a slow
// machine is not a failure; past LIMIT seconds it takes them by itself.
// Usage: preview_window LIMIT OUT SCREENSAVER
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string out_dir;
bool top_level_seen = false, activation_lost = false;
int size_step = 0;

void note(const char* file_name, const std::string& text, const char* mode = "a") {
    if (FILE* file = std::fopen((out_dir + "\\" + file_name).c_str(), mode)) {
        std::fprintf(file, "%s\n", text.c_str());
        std::fclose(file);
    }
}

void grow(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    note("client.txt", std::to_string(origin.x) + " " + std::to_string(origin.y) + " " + std::to_string(width) + " " +
                           std::to_string(height));
}

// Every few milliseconds: the program's own window class must never be a
// top-level window, and this window must keep the activation.
void watch(HWND window) {
    if (!top_level_seen && FindWindowA("Nightwick", nullptr) != nullptr) {
        top_level_seen = true;
        note("faults.txt", "a top-level window of the screensaver appeared");
    }
    if (!activation_lost && GetForegroundWindow() != window) {
        activation_lost = true;
        note("faults.txt", "the preview's window lost the activation");
    }
    if (size_step == 0 && FindWindowExA(window, nullptr, "Nightwick", nullptr) != nullptr) {
        size_step = 1;
        grow(window, 320, 240);
    }
}

bool test_says(const char* file_name) {
    return GetFileAttributesA((out_dir + "\\" + file_name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (wparam == 1) watch(window);
            if (size_step < 2 && (wparam == 2 || test_says("grow"))) {
                if (size_step == 0) note("faults.txt", "no child window appeared");
                size_step = 2;
                grow(window, 640, 480);
            }
            if (wparam == 2 || test_says("close")) DestroyWindow(window);
            return 0;
        case WM_PAINT:
            ValidateRect(window, nullptr);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: preview_window LIMIT OUT SCREENSAVER\n");
        return 2;
    }
    out_dir = argv[2];
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "Preview";
    RegisterClassA(&window_class);
    // No frame and no area at first: nothing of its own is ever shown where
    // the child draws.
    HWND window = CreateWindowA("Preview", "Preview", WS_POPUP | WS_CLIPCHILDREN | WS_VISIBLE, 40, 40, 0, 0, nullptr,
                                nullptr, window_class.hInstance, nullptr);
    SetForegroundWindow(window);
    std::string command = "\"" + std::string(argv[3]) + "\" /p " +
                          std::to_string(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION screensaver{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &screensaver)) {
        std::fprintf(stderr, "cannot start %s\n", argv[3]);
        return 1;
    }
    SetTimer(window, 1, 10, nullptr);
    SetTimer(window, 2, static_cast<UINT>(std::atoi(argv[1]) * 1000), nullptr);
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
