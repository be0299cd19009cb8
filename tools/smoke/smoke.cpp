// The smallest program over the platform seam: one window, the
// non-blocking message loop, and Esc to quit. It records the messages its
// window procedure sees so the seam can be checked on every platform.
#include "smoke.h"

#include "platform/win32.h"

std::vector<unsigned> smoke_messages;

namespace {

LRESULT CALLBACK smoke_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
        case WM_ACTIVATEAPP:
        case WM_DESTROY:
            smoke_messages.push_back(message);
            if (message == WM_DESTROY) PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
            smoke_messages.push_back(message);
            if (wparam == VK_ESCAPE) DestroyWindow(window);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_OWNDC;
    window_class.lpfnWndProc = smoke_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.lpszClassName = "NightwickSmoke";
    window_class.hIconSm = window_class.hIcon;
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "NightwickSmoke", "Nightwick", WS_POPUP, 0, 0, 320, 200, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                smoke_messages.push_back(WM_QUIT);
                return static_cast<int>(msg.wParam);
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
