// Stands in for the control panel's preview: a window whose client area is
// 320 x 240, whose handle it prints, in which a screensaver started with
// /p HANDLE draws. Every quarter second it reads back what the child window
// shows (from the child's own device context) into OUT/child-N.ppm; after
// SECONDS it destroys its window, notes when in OUT/destroyed.txt, and ends.
// Usage: preview_window SECONDS OUT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string out_dir;
int shots = 0;

void save_child(HWND parent) {
    HWND child = GetWindow(parent, GW_CHILD);
    if (child == nullptr) return;
    RECT area{};
    GetClientRect(child, &area);
    const int width = area.right, height = area.bottom;
    if (width <= 0 || height <= 0) return;
    HDC source = GetDC(child);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const std::string path = out_dir + "\\child-" + std::to_string(shots++) + ".ppm";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fprintf(file, "P6\n%d %d\n255\n", width, height);
        const auto* pixel = static_cast<const unsigned char*>(bits);
        std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x, pixel += 4) {
                row[3 * x] = pixel[2];
                row[3 * x + 1] = pixel[1];
                row[3 * x + 2] = pixel[0];
            }
            std::fwrite(row.data(), 1, row.size(), file);
        }
        std::fclose(file);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(child, source);
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_TIMER:
            if (wparam == 1) {
                save_child(window);
            } else {
                if (FILE* file = std::fopen((out_dir + "\\destroyed.txt").c_str(), "w")) {
                    std::fprintf(file, "%lu\n", GetTickCount());
                    std::fclose(file);
                }
                DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_window SECONDS OUT\n");
        return 2;
    }
    out_dir = argv[2];
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    window_class.lpszClassName = "Preview";
    RegisterClassA(&window_class);
    RECT frame{0, 0, 320, 240};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    AdjustWindowRect(&frame, style, FALSE);
    HWND window = CreateWindowA("Preview", "Preview", style | WS_VISIBLE, 40, 40, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, window_class.hInstance, nullptr);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    std::fflush(stdout);
    SetTimer(window, 1, 250, nullptr);
    SetTimer(window, 2, static_cast<UINT>(std::atoi(argv[1]) * 1000), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
