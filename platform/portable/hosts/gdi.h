// The GDI host: the built-in DirectDraw's pages in the program's own window
// on Windows, scaled to it by nearest neighbour with their shape kept. An
// exclusive mode is granted without changing the display: the window is
// made to cover its monitor instead. Windows itself delivers the program's
// messages; the host watches the ones that concern the window it shows
// (gdi_window.cpp), so the program behaves as Windows users expect of a
// full-screen program and of a screensaver.
#pragma once

#include <cstdint>
#include <vector>

#include "../control/host.h"
#include "page_scaler.h"

namespace platform {

// What the program's window is on Windows.
enum class WindowRole {
    program,      // covers its monitor; minimised while another program is active
    screensaver,  // covers the primary monitor; ends when it loses activation
    preview,      // a child of the screensaver settings' preview window
};
// Set before WinMain (by the screensaver's own unit).
void set_window_role(WindowRole role, HWND preview_parent = nullptr);
WindowRole window_role();
HWND preview_parent();
// The window the host shows pages in, once the program has given it.
HWND program_window();
// The program's own window, from its first message on (null before and
// after it).
HWND own_window();
// Called when the monitors change (a mode, one attached or gone), after the
// program's window has been fitted again: the screensaver lays out its
// black windows anew.
void on_display_change(void (*listener)());
// The box around every monitor, in screen coordinates.
RECT virtual_screen();

class GdiHost : public Host {
public:
    ~GdiHost() override;
    bool has_display() const override { return true; }
    bool set_mode(int width, int height, int bits) override;
    void use_window(HWND window, bool exclusive) override;
    void present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                 const PALETTEENTRY* palette) override;
    void pump(HostEvents&) override {}
    void wait(HostEvents&) override { WaitMessage(); }
    int message_box(HWND owner, const char* text, const char* caption, UINT type) override {
        return MessageBoxA(owner, text, caption, type);
    }

    // The window's place: its monitor, or its preview's client area.
    void fit();
    // The monitors changed: fit the window again and tell the listener.
    void display_changed();
    // Whether the monitors are not as last seen.
    bool display_moved() const;
    // Shows the window's picture again where `dc` paints (WM_PAINT, a size
    // change while paused), from the last page at a new size.
    void paint(HDC dc, const RECT& where);

private:
    // The window's picture at the client area's size; false when it cannot be had.
    bool image_for(int width, int height);
    // The changed areas as one clip region and the box around them; false
    // when they cannot be made one.
    bool clip_to(const WindowChanges& changes);

    HWND window_ = nullptr;
    bool exclusive_ = false;
    // The scaler keeps the last page, so the window can be drawn again at any size.
    PageScaler scaler_;
    // The window's picture, 32-bit and top-down, in a DIB section: only
    // what changed in it is handed to the window.
    HDC image_dc_ = nullptr;
    HBITMAP image_ = nullptr;
    HGDIOBJ image_old_ = nullptr;
    std::uint8_t* image_bits_ = nullptr;
    int image_width_ = 0, image_height_ = 0;
    // Kept from frame to frame, so a frame makes no new region.
    HRGN clip_ = nullptr, piece_ = nullptr;
    RECT box_{};
    // The monitors as last seen: not every system tells each change.
    RECT desktop_{};
    int monitors_ = 0;
    char monitor_device_[CCHDEVICENAME] = {};  // the monitor it covers, by its device's name
};

// The watch over the program's window (gdi_window.cpp): the procedure its
// class is registered with, in front of the program's own, and the host
// that shows its pages once it has one.
WNDPROC watch_windows(WNDPROC procedure);
void show_through(GdiHost& host);
void activate_preview(HWND window);

}  // namespace platform
