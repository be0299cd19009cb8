// nightwick-capture: runs the program headless, without pacing, for a number
// of frames, then quits it with a scripted Esc. Frames can be written as
// indexed PNG files, a range of them as an animated GIF at 60 frames per
// second, and a checksum of every frame printed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/desktop/picture_folder.h"
#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"
#include "tools/capture/frame_writers.h"

namespace {

const char* const usage =
    "usage: nightwick-capture --frames N [options]\n"
    "  --frames N              run N frames (pages shown), then quit with Esc\n"
    "  --dir DIRECTORY         where the pictures are (default: the current directory,\n"
    "                          else the tool's own, else the installed share/nightwick)\n"
    "  --png FRAME=FILE        write frame FRAME as an indexed PNG (repeatable)\n"
    "  --gif FIRST-LAST=FILE   write frames FIRST to LAST as an animated GIF at 60 fps\n"
    "  --checksums             print a checksum of every frame on standard output\n"
    "  --every N               checksums of every Nth pixel of each row and column: the\n"
    "                          frame as a window 1/N of its size shows it\n"
    "Frames count from 1: frame 1 is the first page the program shows.\n";

struct Options {
    int frames = 0;
    std::string directory;
    std::map<int, std::string> pngs;
    int gif_first = 0, gif_last = 0;
    std::string gif;
    bool checksums = false;
    int every = 1;
};

bool parse_int(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || parsed < 1 || parsed > 10'000'000) return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parse(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--checksums") {
            options.checksums = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            error.clear();
            return false;
        }
        if (i + 1 >= argc) {
            error = "option " + option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--frames") {
            if (!parse_int(value, options.frames)) {
                error = "--frames takes a whole number of at least 1";
                return false;
            }
        } else if (option == "--dir") {
            options.directory = value;
        } else if (option == "--png") {
            const auto equals = value.find('=');
            int frame = 0;
            if (equals == std::string::npos || !parse_int(value.substr(0, equals), frame) ||
                equals + 1 == value.size()) {
                error = "--png takes FRAME=FILE";
                return false;
            }
            options.pngs[frame] = value.substr(equals + 1);
        } else if (option == "--every") {
            if (!parse_int(value, options.every) || options.every > 16) {
                error = "--every takes a whole number from 1 to 16";
                return false;
            }
        } else if (option == "--gif") {
            const auto dash = value.find('-');
            const auto equals = value.find('=');
            if (dash == std::string::npos || equals == std::string::npos || dash > equals ||
                !parse_int(value.substr(0, dash), options.gif_first) ||
                !parse_int(value.substr(dash + 1, equals - dash - 1), options.gif_last) ||
                options.gif_last < options.gif_first || equals + 1 == value.size()) {
                error = "--gif takes FIRST-LAST=FILE with FIRST not after LAST";
                return false;
            }
            options.gif = value.substr(equals + 1);
        } else {
            error = "unknown option " + option;
            return false;
        }
    }
    if (options.frames == 0) {
        error = "--frames is required";
        return false;
    }
    for (const auto& [frame, file] : options.pngs) {
        if (frame > options.frames) {
            error = "--png frame " + std::to_string(frame) + " is after the last frame";
            return false;
        }
    }
    if (!options.gif.empty() && options.gif_last > options.frames) {
        error = "--gif range ends after the last frame";
        return false;
    }
    return true;
}

struct Recorder {
    const Options* options;
    GifWriter gif;
    ChecksumPrinter checksums;
    std::vector<std::uint8_t> sampled;  // every Nth pixel of the frame, for --every
    int failures = 0;
};

// The pixels a window 1/N the page's size shows: each Nth of every Nth row.
Frame sample_every(const Frame& shown, int every, std::vector<std::uint8_t>& out) {
    const int width = shown.width / every, height = shown.height / every;
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = shown.pixels + static_cast<std::size_t>(y) * every * shown.width;
        for (int x = 0; x < width; ++x) out[static_cast<std::size_t>(y) * width + x] = row[x * every];
    }
    return Frame{out.data(), width, height, shown.palette};
}

void record(const platform::HeadlessHost& host, void* context) {
    auto* recorder = static_cast<Recorder*>(context);
    const Options& options = *recorder->options;
    const int frame = host.frames();
    if (host.mode_bits() != 8) return;
    const Frame shown{host.page().data(), host.mode_width(), host.mode_height(), host.page_palette()};
    if (options.checksums) {
        recorder->checksums.add(frame,
                                options.every > 1 ? sample_every(shown, options.every, recorder->sampled) : shown);
    }
    if (auto png = options.pngs.find(frame); png != options.pngs.end()) {
        if (!write_png(png->second, shown)) {
            std::fprintf(stderr, "nightwick-capture: cannot write %s\n", png->second.c_str());
            ++recorder->failures;
        }
    }
    if (!options.gif.empty() && frame >= options.gif_first && frame <= options.gif_last) {
        if (!recorder->gif.add(shown)) ++recorder->failures;
    }
}

}  // namespace

// The program's entry, from the application.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show);

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!parse(argc, argv, options, error)) {
        if (error.empty()) {
            std::fputs(usage, stdout);
            return 0;
        }
        std::fprintf(stderr, "nightwick-capture: %s\n%s", error.c_str(), usage);
        return 2;
    }
    // Outputs are named relative to where the tool was started.
    const std::filesystem::path started = std::filesystem::current_path();
    for (auto& [frame, file] : options.pngs) file = std::filesystem::absolute(started / file).string();
    if (!options.gif.empty()) options.gif = std::filesystem::absolute(started / options.gif).string();
    if (!options.directory.empty()) {
        std::error_code change;
        std::filesystem::current_path(options.directory, change);
        if (change) {
            std::fprintf(stderr, "nightwick-capture: cannot use the directory %s\n", options.directory.c_str());
            return 2;
        }
        // The folder given wins, whatever it holds.
        const std::filesystem::path given[] = {std::filesystem::current_path()};
        platform::enter_picture_folder("nightwick-capture", given);
    } else {
        platform::enter_picture_folder("nightwick-capture", platform::picture_folder_candidates());
    }

    Recorder recorder{&options, {}, {}, {}, 0};
    if (!options.gif.empty() && !recorder.gif.open(options.gif)) {
        std::fprintf(stderr, "nightwick-capture: cannot write %s\n", options.gif.c_str());
        return 1;
    }
    platform::set_call_logging(false);  // long runs keep no call log
    auto host = std::make_unique<platform::HeadlessHost>();
    platform::HeadlessHost* headless = host.get();
    platform::set_host(std::move(host));
    headless->key_at(options.frames, VK_ESCAPE);
    headless->on_present(record, &recorder);

    const auto start = std::chrono::steady_clock::now();
    static char empty_command_line[] = "";
    const int code = WinMain(nullptr, nullptr, empty_command_line, SW_SHOWNORMAL);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int frames = headless->frames();
    recorder.checksums.flush();
    if (!options.gif.empty() && !recorder.gif.close()) ++recorder.failures;
    std::fprintf(stderr, "nightwick-capture: %d frames in %.2f s, %.0f frames per second\n", frames, seconds,
                 seconds > 0 ? frames / seconds : 0.0);
    if (frames < options.frames) {
        std::fprintf(stderr, "nightwick-capture: the program ended after %d frames\n", frames);
    }
    if (recorder.failures > 0) return 1;
    return code;
}
