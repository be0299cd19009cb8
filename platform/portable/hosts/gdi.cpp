// The GDI host: each flipped page through the scaler into a 32-bit picture
// of the window's client area, handed to GDI once per flip.
#include "gdi.h"

#include <memory>

#include "../control/control.h"

namespace platform {
namespace {

HWND preview_parent = nullptr;

std::unique_ptr<Host> make_gdi() { return std::make_unique<GdiHost>(); }

// The program on Windows shows its pages through GDI unless told otherwise,
// and runs as long as its user likes (a screensaver for hours): it keeps no
// call log, which would grow with every frame.
[[maybe_unused]] const bool registered = (set_default_host(make_gdi), set_call_logging(false), true);

}  // namespace

void show_in_preview(HWND parent) { preview_parent = parent; }

void GdiHost::use_window(HWND window, bool exclusive) {
    window_ = window;
    exclusive_ = exclusive;
    if (window == nullptr || preview_parent == nullptr || GetParent(window) == preview_parent) return;
    // The preview: a child window over the parent's whole client area. It
    // never holds the activation, so the program is told once that it runs.
    RECT area{};
    GetClientRect(preview_parent, &area);
    SetWindowLongPtrA(window, GWL_STYLE, WS_CHILD | WS_VISIBLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, 0);
    SetParent(window, preview_parent);
    SetWindowPos(window, HWND_TOP, 0, 0, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    PostMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
}

void GdiHost::cover_monitor() const {
    if (window_ == nullptr || preview_parent != nullptr) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& area = monitor.rcMonitor;
    SetWindowPos(window_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool GdiHost::set_mode(int, int, int) {
    // Any mode the program asks for is a page size, shown scaled: the
    // display keeps its own mode.
    if (exclusive_) cover_monitor();
    return true;
}

void GdiHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette) {
    if (window_ == nullptr) return;
    RECT client{};
    if (!GetClientRect(window_, &client)) return;
    const int out_width = client.right - client.left, out_height = client.bottom - client.top;
    if (out_width <= 0 || out_height <= 0) return;
    pixels_.resize(static_cast<std::size_t>(out_width) * static_cast<std::size_t>(out_height) * 4u);
    scaler_.draw(pixels, pitch, width, height, bits, palette, pixels_.data(), out_width * 4, out_width, out_height,
                 PixelLayout{16, 8, 0, 0});
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out_width;
    info.bmiHeader.biHeight = -out_height;  // top-down rows, as the scaler writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(window_);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(out_width), static_cast<DWORD>(out_height), 0, 0, 0,
                      static_cast<UINT>(out_height), pixels_.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(window_, dc);
}

}  // namespace platform
