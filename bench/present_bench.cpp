// Presenting the program's real frames into full-screen windows, as the
// hosts scale them: the whole page redrawn at every frame against only what
// changed since the last one. Each iteration presents the next frame both
// ways, timed apart, so the ratio comes from one run on one machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/shell.h"
#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"
#include "platform/portable/hosts/page_scaler.h"

namespace {

struct Frame {
    std::vector<std::uint8_t> page;
    std::vector<PALETTEENTRY> palette;
};

// Frames 121 to 420 of the program's headless run, with its own pictures.
const std::vector<Frame>& frames() {
    static const std::vector<Frame> recorded = [] {
        std::vector<Frame> out;
        const auto directory = std::filesystem::temp_directory_path() / "nightwick_present_bench";
        std::system((std::string(NIGHTWICK_ART) + " " + directory.string()).c_str());
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        platform::reset();
        platform::set_call_logging(false);
        auto host = std::make_unique<platform::HeadlessHost>();
        host->key_at(420, VK_ESCAPE);
        host->on_present(
            [](const platform::HeadlessHost& shown, void* context) {
                // Past the start, when the insects fly.
                if (shown.frames() > 120 && shown.page_palette().size() == 256) {
                    static_cast<std::vector<Frame>*>(context)->push_back(Frame{shown.page(), shown.page_palette()});
                }
            },
            &out);
        platform::set_host(std::move(host));
        char command_line[] = "";
        WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
        std::filesystem::current_path(previous);
        return out;
    }();
    return recorded;
}

void BM_PresentFullScreen(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const auto& recorded = frames();
    if (recorded.empty()) {
        state.SkipWithError("the program showed no frames");
        return;
    }
    std::vector<std::uint32_t> whole_window(static_cast<std::size_t>(width) * height),
        changed_window(whole_window.size());
    platform::PageScaler whole, changed;
    const platform::PixelLayout layout{};
    double whole_seconds = 0, changed_seconds = 0;
    std::size_t next = 0;
    for (auto _ : state) {
        const Frame& frame = recorded[next];
        next = (next + 1) % recorded.size();
        const auto start = std::chrono::steady_clock::now();
        whole.draw(frame.page.data(), 640, 640, 480, 8, frame.palette.data(),
                   reinterpret_cast<std::uint8_t*>(whole_window.data()), width * 4, width, height, layout);
        const auto between = std::chrono::steady_clock::now();
        const platform::WindowChanges changes =
            changed.update(frame.page.data(), 640, 640, 480, 8, frame.palette.data(),
                           reinterpret_cast<std::uint8_t*>(changed_window.data()), width * 4, width, height, layout);
        const auto end = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(changes);
        benchmark::ClobberMemory();
        whole_seconds += std::chrono::duration<double>(between - start).count();
        changed_seconds += std::chrono::duration<double>(end - between).count();
    }
    const double count = static_cast<double>(state.iterations());
    state.counters["whole_us"] = whole_seconds / count * 1e6;
    state.counters["changed_us"] = changed_seconds / count * 1e6;
    state.counters["whole_per_changed"] = changed_seconds > 0 ? whole_seconds / changed_seconds : 0;
}

BENCHMARK(BM_PresentFullScreen)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
