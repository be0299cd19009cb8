// The GDI host: the built-in DirectDraw's pages in the program's own window
// on Windows, scaled to it by nearest neighbour with their shape kept. An
// exclusive mode is granted without changing the display: the window is
// made to cover its monitor instead. Windows itself delivers the program's
// messages, so the host has no input of its own to pump.
#pragma once

#include <cstdint>
#include <vector>

#include "../control/host.h"
#include "page_scaler.h"

namespace platform {

class GdiHost : public Host {
public:
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

private:
    void cover_monitor() const;

    HWND window_ = nullptr;
    bool exclusive_ = false;
    PageScaler scaler_;
    std::vector<std::uint8_t> pixels_;  // the window's client area, 32-bit, top-down
};

// Draw into `parent` (a screensaver's preview window) instead: the program's
// window becomes a child covering its client area.
void show_in_preview(HWND parent);

}  // namespace platform
