// The browser host: a canvas on the page, the page's keys and visibility.
#pragma once

#include <cstdint>
#include <vector>

#include "../control/host.h"
#include "page_scaler.h"

namespace platform {

class WebHost : public Host {
public:
    WebHost();
    ~WebHost() override;

    bool has_display() const override { return true; }
    bool set_mode(int width, int height, int bits) override;
    void present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                 const PALETTEENTRY* palette) override;
    void pump(HostEvents& events) override;
    void wait(HostEvents& events) override;
    // The browser's clock, and sleeps that hand the thread back to the
    // browser so it can draw and take input meanwhile.
    std::uint64_t clock_ns() const override;
    void sleep(std::uint32_t milliseconds) override;
    int message_box(HWND owner, const char* text, const char* caption, UINT type) override;
    void show_cursor(bool visible) override;

private:
    void deliver(int event, HostEvents& events);

    int width_ = 0, height_ = 0;
    // The page through the palette, whose table is built again only when
    // the palette changes, into RGBA as the canvas takes it.
    PageScaler scaler_;
    std::vector<std::uint32_t> rgba_;
    std::vector<int> areas_;  // the changed rectangles handed to the page
};

}  // namespace platform
