// Finds the frame of a headless run that a screenshot of the real window
// shows. Usage: compare_screenshot SCREENSHOT.ppm PICTURE_DIRECTORY MAX_FRAMES
// The screenshot is 640 x 480, or a whole multiple of it, in which every
// block of the multiple must be one colour, as nearest scaling draws it.
// Exit 0 when some frame matches every pixel; 1 when none does.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"

namespace {

struct Search {
    std::vector<std::uint8_t> screenshot;  // RGB, 640 x 480
    int match = 0;
    int best_frame = 0;
    long best_mismatches = -1;
};

bool read_ppm(const std::string& path, std::vector<std::uint8_t>& rgb, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> width >> height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(in);
}

// A screenshot `scale` times the page back to the page's size: every block
// must be one colour.
bool scale_back(std::vector<std::uint8_t>& rgb, int scale) {
    const std::size_t width = 640u * scale;
    std::vector<std::uint8_t> page(640u * 480u * 3u);
    for (std::size_t y = 0; y < 480u * scale; ++y) {
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* pixel = rgb.data() + 3 * (y * width + x);
            std::uint8_t* target = page.data() + 3 * ((y / scale) * 640 + x / scale);
            if (x % scale == 0 && y % scale == 0) {
                std::copy(pixel, pixel + 3, target);
            } else if (!std::equal(pixel, pixel + 3, target)) {
                return false;
            }
        }
    }
    rgb = std::move(page);
    return true;
}

void compare(const platform::HeadlessHost& host, void* context) {
    auto* search = static_cast<Search*>(context);
    if (search->match != 0 || host.page_palette().size() != 256) return;
    const auto& page = host.page();
    const auto& palette = host.page_palette();
    long mismatches = 0;
    for (std::size_t i = 0; i < page.size(); ++i) {
        const PALETTEENTRY& c = palette[page[i]];
        const std::uint8_t* s = search->screenshot.data() + 3 * i;
        mismatches += (c.peRed != s[0] || c.peGreen != s[1] || c.peBlue != s[2]) ? 1 : 0;
    }
    if (mismatches == 0) search->match = host.frames();
    if (search->best_mismatches < 0 || mismatches < search->best_mismatches) {
        search->best_mismatches = mismatches;
        search->best_frame = host.frames();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SCREENSHOT.ppm PICTURE_DIRECTORY MAX_FRAMES\n", argv[0]);
        return 2;
    }
    Search search;
    int width = 0, height = 0;
    if (!read_ppm(argv[1], search.screenshot, width, height) || width % 640 != 0 || width == 0 ||
        height * 640 != width * 480) {
        std::fprintf(stderr, "compare_screenshot: %s is not a PPM picture of 640 x 480 or a multiple\n", argv[1]);
        return 2;
    }
    if (const int scale = width / 640; scale > 1 && !scale_back(search.screenshot, scale)) {
        std::printf("the screenshot is not the page scaled %d times by nearest neighbour\n", scale);
        return 1;
    }
    std::filesystem::current_path(argv[2]);
    platform::set_call_logging(false);
    auto host = std::make_unique<platform::HeadlessHost>();
    host->key_at(std::atoi(argv[3]), VK_ESCAPE);
    host->on_present(compare, &search);
    platform::set_host(std::move(host));
    static char command_line[] = "";
    WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    if (search.match != 0) {
        std::printf("the screenshot is frame %d of the headless run, pixel for pixel\n", search.match);
        return 0;
    }
    std::printf("no frame matches; closest is frame %d with %ld pixels different\n", search.best_frame,
                search.best_mismatches);
    return 1;
}
