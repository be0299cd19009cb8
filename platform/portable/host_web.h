// The browser host: a canvas on the page, the page's keys and visibility.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "host.h"

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
    // RGBA as the canvas takes it, one 32-bit word per palette index; built
    // again only when the palette changes.
    std::array<PALETTEENTRY, 256> palette_{};
    std::array<std::uint32_t, 256> colours_{};
    bool colours_valid_ = false;
    std::vector<std::uint32_t> rgba_;
};

}  // namespace platform
