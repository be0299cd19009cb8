// Finds the frame of a headless run that a screenshot of the real window
// shows. Usage: compare_screenshot SCREENSHOT.ppm PICTURE_DIRECTORY MAX_FRAMES [KEPT]
// The screenshot is a window at least 640 x 480, in which the page must be
// scaled by the nearest rule into the largest area of its shape, with black
// bars around, or a whole fraction of 640 x 480, which shows every so many
// pixels of the page.
// Exit 0 when one frame matches every pixel; 1 when none does; 3 when the
// page it shows is shown at several frames and so names none.
// A test polls with a growing MAX_FRAMES, and the run from the first frame
// at every poll would make a minute's polling cost the square of it (minutes
// under the sanitizers). With KEPT, the frames' checksums are kept in files
// named from it, one for each way of sampling the page, and the run is made
// again only for frames not kept yet, then to twice as many as needed.
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
#include "platform/portable/hosts/page_scaler.h"

namespace {

struct Search {
    std::vector<std::uint32_t> screenshot;  // 0xRRGGBB, 640 x 480 or a fraction of it
    int width = 640, height = 480;
    int step = 1;                          // page pixels per screenshot pixel
    std::vector<std::uint32_t> seen;       // the current page as the screenshot would show it
    std::vector<std::uint64_t> checksums;  // of each frame's `seen`
    int horizon = 0;                       // the frames a screenshot may be
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

// A window at least the page's size back to the page: the bars must be
// black, and every pixel of the page's area must be the page scaled by the
// nearest rule (window column x shows page column x * 640 / area width),
// the page read back at the first window pixel that shows each of its own.
std::string read_back(std::vector<std::uint8_t>& rgb, int width, int height) {
    const platform::PageArea area = platform::fit_page(640, 480, width, height);
    const auto at = [&](int x, int y) { return rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x); };
    const auto first = [](int p, int page, int window) {
        return static_cast<int>((std::int64_t{p} * window + page - 1) / page);
    };
    std::vector<std::uint8_t> page(640u * 480u * 3u);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint8_t* pixel = at(area.x + first(x, 640, area.width), area.y + first(y, 480, area.height));
            std::copy(pixel, pixel + 3, page.data() + 3 * (y * 640 + x));
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* pixel = at(x, y);
            const bool inside = x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
            const std::uint8_t black[3] = {0, 0, 0};
            const std::uint8_t* expected =
                inside ? page.data() + 3 * ((y - area.y) * 480 / area.height * 640 + (x - area.x) * 640 / area.width)
                       : black;
            if (!std::equal(pixel, pixel + 3, expected)) {
                return std::string(inside ? "the page is not scaled by the nearest rule" : "a bar is not black") +
                       " at " + std::to_string(x) + "," + std::to_string(y) + " of the " + std::to_string(width) +
                       " x " + std::to_string(height) + " screenshot";
            }
        }
    }
    rgb = std::move(page);
    return "";
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
    if (host.frames() > search->horizon) return;
    if (search->best_mismatches < 0 || mismatches < search->best_mismatches) {
        search->best_mismatches = mismatches;
        search->best_frame = host.frames();
    }
}

std::vector<std::uint64_t> read_kept(const std::string& path) {
    std::vector<std::uint64_t> kept;
    std::ifstream in(path, std::ios::binary);
    for (std::uint64_t checksum = 0; in.read(reinterpret_cast<char*>(&checksum), sizeof checksum);) {
        kept.push_back(checksum);
    }
    return kept;
}

// Whole or not at all: a test stopped while it writes leaves no short list.
void write_kept(const std::string& path, const std::vector<std::uint64_t>& kept) {
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(kept.data()),
                  static_cast<std::streamsize>(kept.size() * sizeof(std::uint64_t)));
        if (!out) return;
    }
    std::error_code ignored;
    std::filesystem::rename(partial, path, ignored);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s SCREENSHOT.ppm PICTURE_DIRECTORY MAX_FRAMES [KEPT]\n", argv[0]);
        return 2;
    }
    Search search;
    std::vector<std::uint8_t> screenshot;
    int width = 0, height = 0;
    const bool read = read_ppm(argv[1], screenshot, width, height);
    const bool window = read && width >= 640 && height >= 480;
    const bool fraction = read && width < 640 && 640 % width == 0 && height * 640 == width * 480;
    if (!window && !fraction) {
        std::fprintf(stderr, "compare_screenshot: %s is not a PPM picture of 640 x 480 or larger, or a fraction\n",
                     argv[1]);
        return 2;
    }
    if (window && width * height > 640 * 480) {
        if (const std::string wrong = read_back(screenshot, width, height); !wrong.empty()) {
            std::printf("%s\n", wrong.c_str());
            return 1;
        }
    }
    if (width < 640) {
        search.step = 640 / width;
        search.width = width;
        search.height = height;
    }
    for (std::size_t i = 0; i + 2 < screenshot.size(); i += 3) {
        search.screenshot.push_back(rgb(screenshot[i], screenshot[i + 1], screenshot[i + 2]));
    }
    search.horizon = std::max(std::atoi(argv[3]), 1);
    const std::string kept_path =
        argc == 5 ? std::filesystem::absolute(argv[4]).string() + ".step" + std::to_string(search.step) : "";
    std::vector<std::uint64_t> checksums = kept_path.empty() ? std::vector<std::uint64_t>{} : read_kept(kept_path);
    const bool run = checksums.size() < static_cast<std::size_t>(search.horizon);
    if (run) {
        const int frames =
            kept_path.empty() ? search.horizon : std::max(search.horizon, 2 * static_cast<int>(checksums.size()));
        std::filesystem::current_path(argv[2]);
        platform::set_call_logging(false);
        auto host = std::make_unique<platform::HeadlessHost>();
        host->key_at(frames, VK_ESCAPE);
        host->on_present(compare, &search);
        platform::set_host(std::move(host));
        static char command_line[] = "";
        WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
        checksums = std::move(search.checksums);
        if (!kept_path.empty()) write_kept(kept_path, checksums);
    }
    checksums.resize(std::min(checksums.size(), static_cast<std::size_t>(search.horizon)));
    const FrameMatch match = match_frame(checksums, page_checksum(search.screenshot));
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
    if (run) {
        std::printf("no frame matches; closest is frame %d with %ld pixels different\n", search.best_frame,
                    search.best_mismatches);
    } else {
        // The closest frame would need the run again: how dark the screenshot
        // is tells the usual story (nothing drawn yet).
        const auto black = std::count(search.screenshot.begin(), search.screenshot.end(), 0u);
        std::printf("no frame of the first %zu matches; %ld of the screenshot's %zu pixels are black\n",
                    checksums.size(), static_cast<long>(black), search.screenshot.size());
    }
    return 1;
}
