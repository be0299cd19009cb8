// Drawing only what changed must leave a window exactly as drawing it whole
// would: after every present, every pixel, bars included, both in the
// host's picture of the window and on the "screen", which receives only the
// rectangles the scaler reports. Over thousands of the program's frames and
// of random pages, at window sizes of every kind, with resizes and exposes
// in between.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "../../../support/app_fixture.h"
#include "platform/portable/hosts/page_scaler.h"

namespace {

namespace fs = std::filesystem;
using platform::PageArea;

constexpr std::uint32_t garbage = 0xDEADBEEF;

// A window as a host has one: its picture, which the scaler updates, and
// the screen, which is given only what the scaler says it drew.
struct UpdatedWindow {
    platform::PixelLayout layout{16, 8, 0, 0xFF000000u};
    platform::PageScaler scaler, whole;
    int width = 0, height = 0;
    std::vector<std::uint32_t> picture, screen, expected;
    int presents = 0, partial = 0, nothing = 0;
    std::string failure;

    // A new size, or the same one in a new buffer: nothing in it is known.
    void resize(int new_width, int new_height) {
        width = new_width;
        height = new_height;
        picture.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), garbage);
        screen = picture;
        scaler.redraw_all();
    }
    // The window system lost what the screen showed.
    void expose() {
        std::fill(screen.begin(), screen.end(), garbage);
        scaler.redraw_all();
    }
    bool present(const std::uint8_t* page, int pitch, int page_width, int page_height, int bits,
                 const PALETTEENTRY* palette) {
        const platform::WindowChanges changes =
            scaler.update(page, pitch, page_width, page_height, bits, palette,
                          reinterpret_cast<std::uint8_t*>(picture.data()), width * 4, width, height, layout);
        if (changes.all) screen = picture;
        for (const PageArea& area : changes.areas) {
            if (area.x < 0 || area.y < 0 || area.width <= 0 || area.height <= 0 || area.x + area.width > width ||
                area.y + area.height > height) {
                return fail("a rectangle outside the window", area.x, area.y);
            }
            for (int y = area.y; y < area.y + area.height; ++y) {
                const std::size_t start = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(area.x);
                std::copy_n(picture.begin() + static_cast<std::ptrdiff_t>(start), area.width,
                            screen.begin() + static_cast<std::ptrdiff_t>(start));
            }
        }
        expected.assign(picture.size(), garbage);
        whole.draw(page, pitch, page_width, page_height, bits, palette,
                   reinterpret_cast<std::uint8_t*>(expected.data()), width * 4, width, height, layout);
        ++presents;
        partial += changes.all ? 0 : 1;
        nothing += changes.none() ? 1 : 0;
        for (const auto* shown : {&picture, &screen}) {
            const auto [wrong, right] = std::mismatch(shown->begin(), shown->end(), expected.begin());
            if (wrong != shown->end()) {
                const int at = static_cast<int>(wrong - shown->begin());
                return fail(shown == &picture ? "the picture differs" : "the screen differs", at % width, at / width);
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

struct Size {
    int width, height, frames;
};

// Whole multiples and fractions, every kind of non-integer scale, windows
// wider and taller than the page, and the extremes.
const Size window_sizes[] = {
    {640, 480, 200},  {1920, 1080, 120}, {3840, 2160, 30}, {1366, 768, 200}, {1, 1, 100},    {641, 481, 200},
    {1000, 2000, 80}, {333, 250, 200},   {1280, 960, 150}, {5, 1000, 100},   {3000, 7, 100}, {639, 479, 200},
};

class PageUpdateTest : public AppTest {};

TEST_F(PageUpdateTest, TheProgramsFramesShowAsWholeRedrawsAtEverySize) {
    for (const char* name :
         {"VeskBack.pcx", "Mosquito.pcx", "Mfall.pcx", "Mturn.pcx", "Mzap.pcx", "Mzapa.pcx", "Lamp.pcx", "Rail.pcx"}) {
        fs::copy_file(fs::path(NIGHTWICK_PICTURES) / name, name);
    }
    struct Run {
        UpdatedWindow window;
        std::size_t size = 0;
        int left = 0;  // frames before the next size
        std::mt19937 random{7};
    } run;
    int frames = 0;
    for (const Size& size : window_sizes) frames += size.frames;
    platform::reset();
    platform::set_call_logging(false);
    platform::HeadlessHost* host = platform::headless_host();
    host->key_at(frames, VK_ESCAPE);
    host->on_present(
        [](const platform::HeadlessHost& shown, void* context) {
            auto* r = static_cast<Run*>(context);
            if (!r->window.failure.empty() || shown.page_palette().size() != 256) return;
            if (r->left == 0 && r->size < std::size(window_sizes)) {
                r->window.resize(window_sizes[r->size].width, window_sizes[r->size].height);
                r->left = window_sizes[r->size++].frames;
            }
            --r->left;
            if (r->random() % 40 == 0) r->window.expose();
            r->window.present(shown.page().data(), 640, 640, 480, 8, shown.page_palette().data());
        },
        &run);
    char command_line[] = "";
    ASSERT_EQ(WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL), 0);
    EXPECT_EQ(run.window.failure, "");
    EXPECT_EQ(run.size, std::size(window_sizes));
    // Most presents drew only a part, and some drew nothing.
    EXPECT_GT(run.window.partial, frames / 2);
    EXPECT_GT(run.window.nothing, 0);
}

TEST(PageUpdate, RandomPagesShowAsWholeRedrawsAtEverySizeAndDepth) {
    struct Case {
        int page_width, page_height, bits;
    };
    const Case cases[] = {{640, 480, 8}, {320, 200, 8}, {37, 23, 8}, {640, 480, 16}, {99, 70, 24}, {640, 480, 32}};
    std::mt19937 random(11);
    const auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const Case& c : cases) {
        const int bytes = c.bits / 8, pitch = c.page_width * bytes + 3;  // rows with a gap after them
        std::vector<std::uint8_t> page(static_cast<std::size_t>(pitch) * c.page_height);
        for (auto& byte : page) byte = static_cast<std::uint8_t>(random());
        PALETTEENTRY palette[256];
        for (auto& entry : palette) entry = PALETTEENTRY{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        UpdatedWindow window;
        for (const Size& size : window_sizes) {
            window.resize(size.width, size.height);
            for (int step = 0; step < size.frames / 4; ++step) {
                // A few small changes, a line, or none; now and then a new
                // palette, an expose, or the window in a new buffer.
                const int what = below(100);
                if (what < 80) {
                    for (int n = below(6); n > 0; --n) {
                        const int w = 1 + below(30), h = 1 + below(30);
                        const int x = below(c.page_width), y = below(c.page_height);
                        for (int j = y; j < std::min(y + h, c.page_height); ++j) {
                            for (int i = x * bytes; i < std::min(x + w, c.page_width) * bytes; ++i) {
                                if (below(3) != 0) page[static_cast<std::size_t>(j * pitch + i)] = BYTE(random());
                            }
                        }
                    }
                } else if (what < 85) {
                    const int y = below(c.page_height);
                    for (int i = 0; i < c.page_width * bytes; ++i) page[static_cast<std::size_t>(y * pitch + i)] ^= 1;
                } else if (what < 90) {
                    palette[below(256)].peGreen ^= 0x40;
                } else if (what < 94) {
                    window.expose();
                } else if (what < 96) {
                    window.resize(size.width, size.height);
                }
                const PALETTEENTRY* shown_palette = c.bits == 8 && c.page_width != 37 ? palette : nullptr;
                ASSERT_TRUE(window.present(page.data(), pitch, c.page_width, c.page_height, c.bits, shown_palette))
                    << window.failure << " (page " << c.page_width << " x " << c.page_height << ", " << c.bits
                    << " bits)";
            }
        }
        EXPECT_GT(window.partial, window.presents / 2);
    }
}

}  // namespace
