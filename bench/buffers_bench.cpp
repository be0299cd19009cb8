// Per-frame pixel routines against memcpy of the same number of bytes.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_display.h"

namespace {

std::vector<std::uint8_t> half_transparent(int width, int height) {
    std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < bitmap.size(); ++i) bitmap[i] = (i * 7919u) % 2 == 0 ? 0 : static_cast<std::uint8_t>(i);
    return bitmap;
}

template <Draw draw>
void draw_transparent(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    bench_display();
    const auto bitmap = half_transparent(width, height);
    // Clipped by ten columns at the left, so the clipping path runs.
    gfx_move_to(-10, height - 1);
    for (auto _ : state) draw(bitmap.data(), width, height);
    state.SetBytesProcessed(state.iterations() * width * height);
}

void BM_DrawTransparent(benchmark::State& state) { draw_transparent<gfx_draw_transparent>(state); }
void BM_DrawTransparentMirrored(benchmark::State& state) { draw_transparent<gfx_draw_transparent_mirrored>(state); }

void BM_CopyRect(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    bench_display();
    const BufferHandle background = gfx_create_buffer(640, 480);
    for (auto _ : state) gfx_copy_rect(100, 100 + size - 1, 100, 100 + size - 1, 200, 200 + size - 1, background, 0);
    state.SetBytesProcessed(state.iterations() * size * size);
}

void BM_Memcpy(benchmark::State& state) {
    memcpy_floor(state, static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.range(1)));
}

BENCHMARK(BM_DrawTransparent)->Args({100, 100})->Args({640, 480});
BENCHMARK(BM_DrawTransparentMirrored)->Args({100, 100})->Args({640, 480});
BENCHMARK(BM_CopyRect)->Arg(100);
BENCHMARK(BM_Memcpy)->Args({100, 100})->Args({640, 480});

}  // namespace

BENCHMARK_MAIN();
