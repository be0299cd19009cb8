// A window drawn as a host draws it, for checking that drawing only what
// changed leaves it exactly as drawing it whole would: the scaler updates
// the window's picture, and the "screen" is given only the rectangles the
// scaler reports. After each present both must equal a whole redraw at
// every pixel, bars included.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/hosts/page_scaler.h"

struct UpdatedWindow {
    platform::PageScaler scaler, whole;
    int width = 0, height = 0;
    std::vector<std::uint32_t> picture, screen, expected;
    int presents = 0, partial = 0, nothing = 0;
    std::string failure;

    // A new size, or the same one in a new buffer: nothing in either is
    // known, and the scaler must see so itself, as a host that never calls
    // `redraw_all` relies on. With `keep_picture`, only the screen lost what
    // it showed (an expose), which only the host can know: it says so.
    void lose(int new_width, int new_height, bool keep_picture = false) {
        width = new_width;
        height = new_height;
        const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (!keep_picture) {
            std::vector<std::uint32_t> fresh(size, 0xDEADBEEF);  // made before the old one goes: another address
            picture.swap(fresh);
        } else {
            scaler.redraw_all();
        }
        screen.assign(size, 0xDEADBEEF);
    }
    bool present(const std::uint8_t* page, int pitch, int page_width, int page_height, int bits,
                 const PALETTEENTRY* palette) {
        const platform::PixelLayout layout{16, 8, 0, 0xFF000000u};
        const auto out = [this](std::vector<std::uint32_t>& pixels) {
            return reinterpret_cast<std::uint8_t*>(pixels.data());
        };
        const platform::WindowChanges changes = scaler.update(page, pitch, page_width, page_height, bits, palette,
                                                              out(picture), width * 4, width, height, layout);
        if (changes.all) screen = picture;
        for (const platform::PageArea& a : changes.areas) {
            if (a.x < 0 || a.y < 0 || a.width <= 0 || a.height <= 0 || a.x + a.width > width ||
                a.y + a.height > height) {
                return fail("a rectangle outside the window", a.x, a.y);
            }
            for (int y = a.y; y < a.y + a.height; ++y) {
                const auto start = static_cast<std::ptrdiff_t>(y) * width + a.x;
                std::copy_n(picture.begin() + start, a.width, screen.begin() + start);
            }
        }
        expected.assign(picture.size(), 0xDEADBEEF);
        whole.draw(page, pitch, page_width, page_height, bits, palette, out(expected), width * 4, width, height,
                   layout);
        ++presents;
        partial += changes.all ? 0 : 1;
        nothing += changes.none() ? 1 : 0;
        for (const auto* shown : {&picture, &screen}) {
            const auto at = std::mismatch(shown->begin(), shown->end(), expected.begin()).first - shown->begin();
            if (at != static_cast<std::ptrdiff_t>(shown->size())) {
                return fail(shown == &picture ? "the picture differs" : "the screen differs",
                            static_cast<int>(at % width), static_cast<int>(at / width));
            }
        }
        return true;
    }
    bool fail(const char* what, int x, int y) {
        failure = std::string(what) + " at " + std::to_string(x) + "," + std::to_string(y) + " of a " +
                  std::to_string(width) + " x " + std::to_string(height) + " window, present " +
                  std::to_string(presents);
        return false;
    }
};

// Window sizes with a number of presents for each: whole multiples and
// fractions, every kind of non-integer scale, windows wider and taller than
// the page, and the extremes.
struct WindowSize {
    int width, height, presents;
};
inline const WindowSize window_sizes[] = {
    {640, 480, 300},  {1920, 1080, 60}, {3840, 2160, 12}, {1366, 768, 100}, {1, 1, 200},    {641, 481, 300},
    {1000, 2000, 40}, {333, 250, 300},  {1280, 960, 60},  {5, 1000, 200},   {3000, 7, 200}, {639, 479, 300},
};
