// Finds the frame of a headless run that a screenshot of the real window
// shows. Usage: compare_screenshot SCREENSHOT.ppm PICTURE_DIRECTORY MAX_FRAMES
// The screenshot is 640 x 480, or a whole multiple of it, in which every
// block of the multiple must be one colour, as nearest scaling draws it, or
// a whole fraction of it, which shows every so many pixels of the page.
// Exit 0 when one frame matches every pixel; 1 when none does; 3 when the
// page it shows is shown at several frames and so names none.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "frame_match.h"
#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"

namespace {

struct Search {
    std::vector<std::uint32_t> screenshot;  // 0xRRGGBB, 640 x 480 or a fraction of it
    int width = 640, height = 480;
    int step = 1;                          // page pixels per screenshot pixel
    std::vector<std::uint32_t> seen;       // the current page as the screenshot would show it
    std::vector<std::uint64_t> checksums;  // of each frame's `seen`
    int best_frame = 0;
    long best_mismatches = -1;
};

std::uint32_t rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue;
}

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

// Every frame is compared, not only up to the first match: whether the
// matching page comes back later decides whether the screenshot names a frame.
void compare(const platform::HeadlessHost& host, void* context) {
    auto* search = static_cast<Search*>(context);
    if (host.page_palette().size() != 256) return;
    const auto& page = host.page();
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& c = host.page_palette()[static_cast<std::size_t>(i)];
        colours[i] = rgb(c.peRed, c.peGreen, c.peBlue);
    }
    search->seen.resize(search->screenshot.size());
    long mismatches = 0;
    for (int y = 0; y < search->height; ++y) {
        const std::uint8_t* row = page.data() + static_cast<std::size_t>(y * search->step) * 640;
        const std::size_t start = static_cast<std::size_t>(y) * search->width;
        for (int x = 0; x < search->width; ++x) {
            const std::uint32_t colour = colours[row[x * search->step]];
            search->seen[start + x] = colour;
            mismatches += colour != search->screenshot[start + x] ? 1 : 0;
        }
    }
    search->checksums.resize(static_cast<std::size_t>(std::max(host.frames(), 1)));
    search->checksums.back() = page_checksum(search->seen);
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
    std::vector<std::uint8_t> screenshot;
    int width = 0, height = 0;
    if (!read_ppm(argv[1], screenshot, width, height) || (width % 640 != 0 && 640 % width != 0) ||
        height * 640 != width * 480) {
        std::fprintf(stderr, "compare_screenshot: %s is not a PPM picture of 640 x 480, a multiple or a fraction\n",
                     argv[1]);
        return 2;
    }
    if (const int scale = width / 640; scale > 1 && !scale_back(screenshot, scale)) {
        std::printf("the screenshot is not the page scaled %d times by nearest neighbour\n", scale);
        return 1;
    }
    if (width < 640) {
        search.step = 640 / width;
        search.width = width;
        search.height = height;
    }
    for (std::size_t i = 0; i + 2 < screenshot.size(); i += 3) {
        search.screenshot.push_back(rgb(screenshot[i], screenshot[i + 1], screenshot[i + 2]));
    }
    std::filesystem::current_path(argv[2]);
    platform::set_call_logging(false);
    auto host = std::make_unique<platform::HeadlessHost>();
    host->key_at(std::atoi(argv[3]), VK_ESCAPE);
    host->on_present(compare, &search);
    platform::set_host(std::move(host));
    static char command_line[] = "";
    WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    const FrameMatch match = match_frame(search.checksums, page_checksum(search.screenshot));
    const std::string how = search.step > 1 ? "every " + std::to_string(search.step) + "th pixel of the page"
                                            : std::string("pixel for pixel");
    if (match.frame() != 0) {
        std::printf("the screenshot is frame %d of the headless run, %s\n", match.frame(), how.c_str());
        return 0;
    }
    if (match.ambiguous()) {
        std::printf("the screenshot is the page of %zu frames (%d, %d, ...), %s: it names no frame\n",
                    match.frames.size(), match.frames[0], match.frames[1], how.c_str());
        return 3;
    }
    std::printf("no frame matches; closest is frame %d with %ld pixels different\n", search.best_frame,
                search.best_mismatches);
    return 1;
}
