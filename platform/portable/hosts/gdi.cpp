// The GDI host: each flipped page through the scaler into a 32-bit picture
// of the window's client area, handed to GDI once per flip.
#include "gdi.h"

#include <cstring>
#include <memory>

#include "../control/control.h"

namespace platform {
namespace {

WindowRole role = WindowRole::program;
HWND preview_window = nullptr;
HWND shown_window = nullptr;
void (*display_listener)() = nullptr;

std::unique_ptr<Host> make_gdi() { return std::make_unique<GdiHost>(); }

// The program on Windows shows its pages through GDI unless told otherwise,
// and runs as long as its user likes (a screensaver for hours): it keeps no
// call log, which would grow with every frame.
[[maybe_unused]] const bool registered = (set_default_host(make_gdi), set_call_logging(false), true);

int bytes_per_pixel(int bits) { return bits <= 8 ? 1 : bits / 8; }

}  // namespace

void set_window_role(WindowRole new_role, HWND parent) {
    role = new_role;
    preview_window = new_role == WindowRole::preview ? parent : nullptr;
}
WindowRole window_role() { return role; }
HWND preview_parent() { return preview_window; }
HWND program_window() { return shown_window; }
void on_display_change(void (*listener)()) { display_listener = listener; }

RECT virtual_screen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool GdiHost::display_moved() const {
    const RECT desktop = virtual_screen();
    return !EqualRect(&desktop, &desktop_) || GetSystemMetrics(SM_CMONITORS) != monitors_;
}

void GdiHost::display_changed() {
    desktop_ = virtual_screen();
    monitors_ = GetSystemMetrics(SM_CMONITORS);
    fit();
    if (display_listener != nullptr) display_listener();
}

void GdiHost::use_window(HWND window, bool exclusive) {
    if (window == nullptr || window == window_) return;
    window_ = window;
    exclusive_ = exclusive;
    shown_window = window;
    show_through(*this);
    display_changed();
    // A child window never holds the activation: the program runs from
    // the start, as a window shown active would.
    if (role == WindowRole::preview) activate_preview(window);
}

void GdiHost::fit() {
    if (window_ == nullptr) return;
    if (role == WindowRole::preview) {
        RECT area{}, mine{};
        if (!GetClientRect(GetParent(window_), &area) || !GetClientRect(window_, &mine)) return;
        if (area.right != mine.right || area.bottom != mine.bottom) {
            SetWindowPos(window_, nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return;
    }
    if (!exclusive_ || IsIconic(window_)) return;
    // The monitor it covers stays the one it covered (the screensaver's is
    // the primary), however the monitors' sizes change around it.
    HMONITOR which = nullptr;
    if (role == WindowRole::screensaver) {
        which = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    } else if (monitor_known_) {
        which = MonitorFromPoint(monitor_origin_, MONITOR_DEFAULTTOPRIMARY);
    } else {
        which = MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY);
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(which, &monitor)) return;
    const RECT& area = monitor.rcMonitor;
    monitor_origin_ = POINT{area.left, area.top};
    monitor_known_ = true;
    RECT now{};
    GetWindowRect(window_, &now);
    if (std::memcmp(&now, &area, sizeof area) == 0) return;
    SetWindowPos(window_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

bool GdiHost::set_mode(int, int, int) {
    // Any mode the program asks for is a page size, shown scaled: the
    // display keeps its own mode.
    fit();
    return true;
}

void GdiHost::scale_kept_page(int out_width, int out_height) {
    pixels_.resize(static_cast<std::size_t>(out_width) * static_cast<std::size_t>(out_height) * 4u);
    pixels_width_ = out_width;
    pixels_height_ = out_height;
    if (page_.empty()) {
        std::memset(pixels_.data(), 0, pixels_.size());
        return;
    }
    scaler_.draw(page_.data(), page_width_ * bytes_per_pixel(page_bits_), page_width_, page_height_, page_bits_,
                 has_palette_ ? palette_ : nullptr, pixels_.data(), out_width * 4, out_width, out_height,
                 PixelLayout{16, 8, 0, 0});
}

void GdiHost::paint(HDC dc) {
    RECT client{};
    if (window_ == nullptr || !GetClientRect(window_, &client)) return;
    const int out_width = client.right, out_height = client.bottom;
    if (out_width <= 0 || out_height <= 0) return;
    if (out_width != pixels_width_ || out_height != pixels_height_) scale_kept_page(out_width, out_height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out_width;
    info.bmiHeader.biHeight = -out_height;  // top-down rows, as the scaler writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(out_width), static_cast<DWORD>(out_height), 0, 0, 0,
                      static_cast<UINT>(out_height), pixels_.data(), &info, DIB_RGB_COLORS);
}

void GdiHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette) {
    if (window_ == nullptr || pixels == nullptr || width <= 0 || height <= 0) return;
    // The preview follows its parent's size; a monitor's change that no
    // message told is seen here.
    if (role == WindowRole::preview) {
        fit();
    } else if (display_moved()) {
        display_changed();
    }
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes_per_pixel(bits));
    page_.resize(row * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(page_.data() + row * y, pixels + static_cast<std::ptrdiff_t>(pitch) * y, row);
    page_width_ = width;
    page_height_ = height;
    page_bits_ = bits;
    has_palette_ = palette != nullptr;
    if (has_palette_) std::memcpy(palette_, palette, sizeof palette_);
    RECT client{};
    if (!GetClientRect(window_, &client) || client.right <= 0 || client.bottom <= 0) return;
    scale_kept_page(client.right, client.bottom);
    HDC dc = GetDC(window_);
    paint(dc);
    ReleaseDC(window_, dc);
}

}  // namespace platform
