// The GDI host: each flipped page through the scaler into a 32-bit picture
// of the window's client area; what changed in it goes to the window.
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

namespace {

struct NamedMonitor {
    const char* name;
    HMONITOR found;
};

BOOL CALLBACK match_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& wanted = *reinterpret_cast<NamedMonitor*>(data);
    MONITORINFOEXA info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, reinterpret_cast<MONITORINFO*>(&info)) && lstrcmpiA(info.szDevice, wanted.name) == 0) {
        wanted.found = monitor;
        return FALSE;
    }
    return TRUE;
}

// The monitor of that device, or null when it is gone.
HMONITOR monitor_named(const char* name) {
    NamedMonitor wanted{name, nullptr};
    EnumDisplayMonitors(nullptr, nullptr, match_monitor, reinterpret_cast<LPARAM>(&wanted));
    return wanted.found;
}

}  // namespace

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
    // Only the program's own window is sized and painted: never one of
    // another process (the settings dialog's), whatever it is given.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return;
    if (role == WindowRole::preview && GetParent(window) != preview_window) return;
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
    // the primary), however the monitors' sizes and places change around
    // it: it is known by its device's name, which a change of the layout
    // keeps, where its corner moves onto a neighbour.
    HMONITOR which = nullptr;
    if (role == WindowRole::screensaver) {
        which = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    } else if (monitor_device_[0] != '\0') {
        which = monitor_named(monitor_device_);
    }
    if (which == nullptr) which = MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFOEXA monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(which, reinterpret_cast<MONITORINFO*>(&monitor))) return;
    lstrcpynA(monitor_device_, monitor.szDevice, sizeof monitor_device_);
    const RECT& area = monitor.rcMonitor;
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

bool GdiHost::clip_to(const WindowChanges& changes) {
    if (clip_ == nullptr) clip_ = CreateRectRgn(0, 0, 0, 0);
    if (piece_ == nullptr) piece_ = CreateRectRgn(0, 0, 0, 0);
    if (clip_ == nullptr || piece_ == nullptr) return false;
    SetRectRgn(clip_, 0, 0, 0, 0);
    for (const PageArea& area : changes.areas) {
        SetRectRgn(piece_, area.x, area.y, area.x + area.width, area.y + area.height);
        CombineRgn(clip_, clip_, piece_, RGN_OR);
    }
    return GetRgnBox(clip_, &box_) != NULLREGION;
}

GdiHost::~GdiHost() {
    if (clip_ != nullptr) DeleteObject(clip_);
    if (piece_ != nullptr) DeleteObject(piece_);
    if (image_dc_ != nullptr) {
        SelectObject(image_dc_, image_old_);
        DeleteDC(image_dc_);
    }
    if (image_ != nullptr) DeleteObject(image_);
}

bool GdiHost::image_for(int width, int height) {
    if (image_ != nullptr && width == image_width_ && height == image_height_) return true;
    if (image_dc_ == nullptr) {
        image_dc_ = CreateCompatibleDC(nullptr);
        if (image_dc_ == nullptr) return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows, as the scaler writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (image == nullptr || bits == nullptr) return false;
    HGDIOBJ old = SelectObject(image_dc_, image);
    if (image_ != nullptr) {
        DeleteObject(image_);
    } else {
        image_old_ = old;
    }
    image_ = image;
    image_bits_ = static_cast<std::uint8_t*>(bits);
    image_width_ = width;
    image_height_ = height;
    return true;
}

void GdiHost::paint(HDC dc, const RECT& where) {
    RECT client{};
    if (window_ == nullptr || !GetClientRect(window_, &client)) return;
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    if (width != image_width_ || height != image_height_) {
        if (!image_for(width, height)) return;
        GdiFlush();
        if (!scaler_.draw_kept(image_bits_, width * 4, width, height, PixelLayout{16, 8, 0, 0})) {
            std::memset(image_bits_, 0, static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u);
        }
    }
    BitBlt(dc, where.left, where.top, where.right - where.left, where.bottom - where.top, image_dc_, where.left,
           where.top, SRCCOPY);
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
    RECT client{};
    const bool shown = GetClientRect(window_, &client) && client.right > 0 && client.bottom > 0 &&
                       image_for(client.right, client.bottom);
    // A window with nothing to show (minimised) still keeps the page.
    if (!shown) {
        scaler_.update(pixels, pitch, width, height, bits, palette, nullptr, 0, 0, 0, PixelLayout{16, 8, 0, 0});
        return;
    }
    GdiFlush();  // GDI is done with the picture before it changes
    const WindowChanges changes =
        scaler_.update(pixels, pitch, width, height, bits, palette, image_bits_, image_width_ * 4, image_width_,
                       image_height_, PixelLayout{16, 8, 0, 0});
    if (changes.none()) return;
    // One copy per frame, so the window never shows part of one frame and
    // part of the next: the box around what changed, clipped to the
    // changed areas themselves, so it costs no more than they do.
    HDC dc = GetDC(window_);
    if (changes.all) {
        BitBlt(dc, 0, 0, image_width_, image_height_, image_dc_, 0, 0, SRCCOPY);
    } else if (changes.areas.size() == 1) {
        const PageArea& area = changes.areas.front();
        BitBlt(dc, area.x, area.y, area.width, area.height, image_dc_, area.x, area.y, SRCCOPY);
    } else if (clip_to(changes)) {
        SelectClipRgn(dc, clip_);
        BitBlt(dc, box_.left, box_.top, box_.right - box_.left, box_.bottom - box_.top, image_dc_, box_.left, box_.top,
               SRCCOPY);
        SelectClipRgn(dc, nullptr);
    } else {
        for (const PageArea& area : changes.areas) {
            BitBlt(dc, area.x, area.y, area.width, area.height, image_dc_, area.x, area.y, SRCCOPY);
        }
    }
    ReleaseDC(window_, dc);
}

}  // namespace platform
