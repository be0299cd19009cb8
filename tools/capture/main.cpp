// nightwick-capture: runs the program headless, without pacing, for a number
// of frames, then quits it with a scripted Esc. Frames can be written as
// indexed PNG files, a range of them as an animated GIF at 60 frames per
// second, and a checksum of every frame printed.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
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
    "                          (repeatable)\n"
    "  --checksums             print a checksum of every frame on standard output\n"
    "  --every N               checksums of every Nth pixel of each row and column: the\n"
    "                          frame as a window 1/N of its size shows it\n"
    "Frames count from 1: frame 1 is the first page the program shows; N, FRAME, FIRST\n"
    "and LAST are 1 to 10000000. Each file is written whole or not at all: a file it\n"
    "replaces is kept until the new one is complete.\n";

struct GifRequest {
    int first = 0, last = 0;
    std::string file;
    GifWriter writer;
};

struct Options {
    int frames = 0;
    std::string directory;
    std::multimap<int, std::string> pngs;
    std::vector<std::unique_ptr<GifRequest>> gifs;
    bool checksums = false;
    int every = 1;
};

constexpr const char* frame_range = "1 to 10000000";

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
        if (!option.starts_with("-")) {
            error = "not an option: " + option;
            return false;
        }
        if (option != "--frames" && option != "--dir" && option != "--png" && option != "--every" &&
            option != "--gif") {
            error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            error = "option " + option + " needs a value";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--frames") {
            if (!parse_int(value, options.frames)) {
                error = std::string("--frames takes ") + frame_range;
                return false;
            }
        } else if (option == "--dir") {
            options.directory = value;
        } else if (option == "--png") {
            const auto equals = value.find('=');
            int frame = 0;
            if (equals == std::string::npos || !parse_int(value.substr(0, equals), frame) ||
                equals + 1 == value.size()) {
                error = std::string("--png takes FRAME=FILE, FRAME ") + frame_range;
                return false;
            }
            options.pngs.emplace(frame, value.substr(equals + 1));
        } else if (option == "--every") {
            if (!parse_int(value, options.every) || options.every > 16) {
                error = "--every takes a whole number from 1 to 16";
                return false;
            }
        } else {
            auto gif = std::make_unique<GifRequest>();
            const auto dash = value.find('-');
            const auto equals = value.find('=');
            if (dash == std::string::npos || equals == std::string::npos || dash > equals ||
                !parse_int(value.substr(0, dash), gif->first) ||
                !parse_int(value.substr(dash + 1, equals - dash - 1), gif->last) || gif->last < gif->first ||
                equals + 1 == value.size()) {
                error = std::string("--gif takes FIRST-LAST=FILE, ") + frame_range + ", with FIRST not after LAST";
                return false;
            }
            gif->file = value.substr(equals + 1);
            options.gifs.push_back(std::move(gif));
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
    for (const auto& gif : options.gifs) {
        if (gif->last > options.frames) {
            error = "--gif range ends after the last frame";
            return false;
        }
    }
    return true;
}

// Outputs are named relative to where the tool was started. A file named
// twice would hold only the last of what was asked of it: refused.
bool name_outputs(Options& options, std::string& error) {
    const std::filesystem::path started = std::filesystem::current_path();
    std::vector<std::string> named;
    const auto resolve = [&](std::string& file) {
        file = std::filesystem::absolute(started / file).lexically_normal().string();
        if (std::find(named.begin(), named.end(), file) != named.end()) {
            error = file + " is named as the output of two requests";
            return false;
        }
        named.push_back(file);
        return true;
    };
    for (auto& [frame, file] : options.pngs) {
        if (!resolve(file)) return false;
    }
    for (auto& gif : options.gifs) {
        if (!resolve(gif->file)) return false;
    }
    return true;
}

struct Recorder {
    const Options* options;
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
    const auto [first_png, past_png] = options.pngs.equal_range(frame);
    for (auto png = first_png; png != past_png; ++png) {
        if (const std::string why = write_png(png->second, shown); !why.empty()) {
            std::fprintf(stderr, "nightwick-capture: %s\n", why.c_str());
            ++recorder->failures;
        }
    }
    for (const auto& gif : options.gifs) {
        // A GIF that failed once is given up; it says why when it is closed.
        if (frame >= gif->first && frame <= gif->last) gif->writer.add(shown);
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
    if (!name_outputs(options, error)) {
        std::fprintf(stderr, "nightwick-capture: %s\n", error.c_str());
        return 2;
    }
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

    Recorder recorder{&options, {}, {}, 0};
    for (const auto& gif : options.gifs) {
        if (!gif->writer.open(gif->file)) {
            std::fprintf(stderr, "nightwick-capture: %s\n", gif->writer.why(gif->file).c_str());
            return 1;
        }
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
    if (const int error = recorder.checksums.finish(); error != 0) {
        std::fprintf(stderr, "nightwick-capture: cannot write the checksums: %s\n", std::strerror(error));
        ++recorder.failures;
    }
    for (const auto& gif : options.gifs) {
        if (!gif->writer.close()) {
            std::fprintf(stderr, "nightwick-capture: %s\n", gif->writer.why(gif->file).c_str());
            ++recorder.failures;
        }
    }
    std::fprintf(stderr, "nightwick-capture: %d frames in %.2f s, %.0f frames per second\n", frames, seconds,
                 seconds > 0 ? frames / seconds : 0.0);
    if (frames < options.frames) {
        std::fprintf(stderr, "nightwick-capture: the program ended after %d frames\n", frames);
    }
    if (recorder.failures > 0) return 1;
    return code;
}
