// The browser host: each flipped page goes through the palette into one
// RGBA image that the page puts on its canvas; keys and the page's
// visibility come back as events queued on the JavaScript side
// (library_nightwick.js). Waiting yields to the browser: the program's own
// message loop runs unchanged, suspended and resumed by ASYNCIFY.
#include "web.h"

#include <emscripten.h>

#include "../control/control.h"

extern "C" {
void nightwick_web_install();
void nightwick_web_uninstall();
int nightwick_web_set_mode(int width, int height);
void nightwick_web_present(const std::uint32_t* rgba, int width, int height, const int* areas, int count);
int nightwick_web_next_event();
void nightwick_web_wait();
void nightwick_web_message(const char* caption, const char* text);
void nightwick_web_cursor(int visible);
}

namespace platform {
namespace {

// Events as the page queues them: the kind in the upper half, its value
// below.
constexpr int event_key = 1;
constexpr int event_activate = 2;
constexpr int event_close = 3;

}  // namespace

WebHost::WebHost() { nightwick_web_install(); }

WebHost::~WebHost() { nightwick_web_uninstall(); }

bool WebHost::set_mode(int width, int height, int bits) {
    // The page shows palette pictures only, which is all the program asks for.
    if (bits != 8 || width <= 0 || height <= 0) return false;
    if (nightwick_web_set_mode(width, height) == 0) return false;
    width_ = width;
    height_ = height;
    rgba_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    scaler_.redraw_all();  // the page's canvas is new
    return true;
}

void WebHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette) {
    if (bits != 8 || width != width_ || height != height_ || palette == nullptr) return;
    // Little-endian words: red in the lowest byte, as ImageData orders it.
    constexpr PixelLayout rgba{0, 8, 16, 0xFF000000u};
    const WindowChanges changes =
        scaler_.update(pixels, pitch, width, height, bits, palette, reinterpret_cast<std::uint8_t*>(rgba_.data()),
                       width * 4, width, height, rgba);
    // The page's canvas takes only what changed, as x, y, width, height
    // each; a frame with nothing changed is still told, for its count.
    areas_.clear();
    const auto add = [this](const PageArea& area) {
        areas_.insert(areas_.end(), {area.x, area.y, area.width, area.height});
    };
    if (changes.all) add(PageArea{0, 0, width, height});
    for (const PageArea& area : changes.areas) add(area);
    nightwick_web_present(rgba_.data(), width, height, areas_.data(), static_cast<int>(areas_.size() / 4));
}

void WebHost::deliver(int event, HostEvents& events) {
    const int kind = event >> 16, value = event & 0xFFFF;
    switch (kind) {
        case event_key:
            events.key_down(value);
            break;
        case event_activate:
            if (value == 0) {
                // A hidden page has no display, as an exclusive display
                // taken by another program: the surfaces are lost until the
                // program comes back and restores them.
                lose_surfaces();
                set_display_available(false);
                events.activate(false);
            } else {
                set_display_available(true);
                events.activate(true);
            }
            break;
        case event_close:
            events.close();
            break;
        default:
            break;
    }
}

void WebHost::pump(HostEvents& events) {
    while (const int event = nightwick_web_next_event()) deliver(event, events);
}

void WebHost::wait(HostEvents& events) {
    nightwick_web_wait();
    pump(events);
}

std::uint64_t WebHost::clock_ns() const { return static_cast<std::uint64_t>(emscripten_get_now() * 1'000'000.0); }

void WebHost::sleep(std::uint32_t milliseconds) { emscripten_sleep(milliseconds); }

int WebHost::message_box(HWND owner, const char* text, const char* caption, UINT type) {
    (void)owner;
    (void)type;
    nightwick_web_message(caption != nullptr ? caption : "", text != nullptr ? text : "");
    return IDOK;
}

void WebHost::show_cursor(bool visible) { nightwick_web_cursor(visible ? 1 : 0); }

}  // namespace platform
