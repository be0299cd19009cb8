// One frame of the animation with five insects on screen, headless,
// against the 16.7 ms a frame has at 60 Hz: with the headless host, which
// copies every shown page into memory, and with a host that keeps nothing,
// as a real display's flip copies nothing.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/insects.h"
#include "app/shell.h"
#include "app/sprites.h"
#include "bench/bench_display.h"
#include "platform/portable/hosts/headless.h"

namespace {

struct DiscardingHost : platform::HeadlessHost {
    void present(const std::uint8_t*, int, int, int, int, const PALETTEENTRY*) override {}
};

void BM_RunFrameFiveInsects(benchmark::State& state) {
    bench_display();
    if (state.range(0) == 0) platform::set_host(std::make_unique<DiscardingHost>());
    reset_app_globals();
    // The painted pictures, as the program loads them.
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "nightwick_frame_bench";
    std::system((std::string(NIGHTWICK_ART) + " " + directory.string()).c_str());
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    screen_buffer = 0;
    background_buffer = gfx_create_buffer(640, 480);
    gfx_select_buffer(background_buffer);
    gfx_load_pcx("VeskBack.pcx", PCX_NO_COLOR_REDUCTION);
    load_sprites();
    gfx_copy_buffer(background_buffer, screen_buffer);
    std::filesystem::current_path(previous);
    for (int i = 0; i < max_insects; ++i) spawn_insect();
    // Spread them over the screen and keep them there.
    int n = 0;
    for (Insect* insect = insect_head; insect != nullptr; insect = insect->next, ++n) {
        insect->x = 80 + n * 110;
        insect->y = 120 + n * 60;
        insect->state = [](Insect* i) {
            i->frame = (i->frame + 1) % 8;
            i->sprite = fly_set[i->frame];
        };
    }
    for (auto _ : state) run_frame();
    reset_app_globals();
}

BENCHMARK(BM_RunFrameFiveInsects)->ArgName("keep_page")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
