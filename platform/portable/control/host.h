// Where the portable platform's display and input live, as the modules
// below the hosts see it: a host shows pages, gives input and keeps time.
// The hosts themselves (headless, SDL2, web) live in hosts/.
#pragma once

#include <cstdint>
#include <memory>

#include "../../win32.h"

namespace platform {

// What a host can do to the platform while it pumps its events.
struct HostEvents {
    virtual ~HostEvents() = default;
    virtual void key_down(int virtual_key) = 0;
    virtual void activate(bool active) = 0;  // the application gains or loses the display
    virtual void close() = 0;                // the user asks the window to close
};

class Host {
public:
    virtual ~Host() = default;
    // Whether a display can be had at all; without one every mode change fails.
    virtual bool has_display() const = 0;
    // Takes the display in the given mode.
    virtual bool set_mode(int width, int height, int bits) = 0;
    // The window DirectDraw was given, and whether it takes the display
    // exclusively: a host that shows pages in the program's own window
    // needs it.
    virtual void use_window(HWND window, bool exclusive) {
        (void)window;
        (void)exclusive;
    }
    // Shows a page: 8-bit pixels through the palette, or RGB pixels.
    virtual void present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                         const PALETTEENTRY* palette) = 0;
    // Delivers pending input without waiting.
    virtual void pump(HostEvents& events) = 0;
    // Waits until input arrives and delivers it: a program with nothing to
    // do sleeps here instead of polling.
    virtual void wait(HostEvents& events) = 0;
    // The clock behind QueryPerformanceCounter, in nanoseconds, and the wait
    // behind Sleep. A desktop host keeps real time.
    virtual std::uint64_t clock_ns() const;
    virtual void sleep(std::uint32_t milliseconds);
    virtual int message_box(HWND owner, const char* text, const char* caption, UINT type) = 0;
    virtual void show_cursor(bool visible) { (void)visible; }
    // The memory of a page given to present() is about to change or go
    // away: a host that keeps the shown page by reference copies it now.
    virtual void page_changing(const std::uint8_t* pixels) { (void)pixels; }
};

// The host in use. Until one is installed, and after set_host(nullptr), it
// is the default host that a host library registered (the headless one).
Host& host();
void set_host(std::unique_ptr<Host> host);
void set_default_host(std::unique_ptr<Host> (*make)());

}  // namespace platform
