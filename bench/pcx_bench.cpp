// Loading a 640 x 480 256-colour picture, from memory and from a file,
// against memcpy of its 307,200 pixels; and colour reduction of a full
// buffer holding 256 colours.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_display.h"
#include "tests/support/pcx_bytes.h"

namespace {

// A picture with the structure of a painting: smooth gradients, edges and
// some texture, so runs are of every length.
std::vector<std::uint8_t> realistic_picture() {
    PcxImage image;
    image.xmax = 639;
    image.ymax = 479;
    image.bytes_per_line = 640;
    std::vector<std::uint8_t> line(640);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const double sky = 40 + y * 0.25;
            const double hill = 300 + 40 * std::sin(x / 60.0);
            int v = y < hill ? static_cast<int>(sky) : 150 + ((x / 7 + y / 5) % 9);
            if (std::hypot(x - 320, y - 120) < 50) v = 230 + (x + y) % 4;  // a lamp
            if ((x * 31 + y * 17) % 97 == 0) v += 3;                       // texture
            line[x] = static_cast<std::uint8_t>(v % 256);
        }
        encode_runs(image.data, line.data(), 640);
    }
    auto file = image.bytes();
    std::uint8_t rgb[768];
    for (int i = 0; i < 768; ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
    PcxImage::append_palette(file, rgb);
    return file;
}

void BM_LoadPcxFromMemory(benchmark::State& state) {
    bench_display();
    gfx_select_buffer(gfx_create_buffer(640, 480));
    const auto file = realistic_picture();
    for (auto _ : state) {
        gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
        gfx_load_pcx("", PCX_FROM_MEMORY | PCX_NO_COLOR_REDUCTION);
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void BM_LoadPcxFromFile(benchmark::State& state) {
    bench_display();
    gfx_select_buffer(gfx_create_buffer(640, 480));
    const auto file = realistic_picture();
    const std::string path = "/tmp/nightwick_bench_" + std::to_string(::getpid()) + ".pcx";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    for (auto _ : state) gfx_load_pcx(path.c_str(), PCX_NO_COLOR_REDUCTION);
    state.SetBytesProcessed(state.iterations() * 640 * 480);
    std::remove(path.c_str());
}

void BM_ReduceColors(benchmark::State& state) {
    bench_display();
    gfx_select_buffer(gfx_create_buffer(640, 480));
    std::uint8_t rgb[768];
    for (auto _ : state) {
        state.PauseTiming();
        lock_active_buffer();
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x)
                active_buffer.pixels[y * active_buffer.pitch + x] = static_cast<std::uint8_t>(x ^ y);
        }
        unlock_active_buffer();
        for (int i = 0; i < 768; ++i) rgb[i] = static_cast<std::uint8_t>((i * 37) ^ (i >> 2));
        state.ResumeTiming();
        gfx_reduce_colors(10, 236, rgb);
    }
}

void BM_Memcpy307200(benchmark::State& state) { memcpy_floor(state, 307200); }

BENCHMARK(BM_LoadPcxFromMemory);
BENCHMARK(BM_LoadPcxFromFile);
BENCHMARK(BM_ReduceColors);
BENCHMARK(BM_Memcpy307200);

}  // namespace

BENCHMARK_MAIN();
