// The layer's pixel routines and PCX reader beside what a user could pick
// instead, on the same data in the same run: SDL2's blits, SDL2_image's PCX
// loader, and memcpy of the same bytes. The data is the program's own: the
// painted pictures, the sprite frames cut as the program cuts them, the
// background read as the program reads it. scripts/bench.sh prints the
// ratios.
#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/sprites.h"
#include "bench/bench_display.h"
#include "gfx/buffers/spans.h"

namespace {

struct Scene {
    std::vector<std::uint8_t> background_file;  // VeskBack.pcx as it lies on disk
    BufferHandle background = -1;
    std::vector<SpriteFrame> wings;  // the eight wing-beat frames
};

// The painted pictures, loaded as the program loads them, once per process.
const Scene& scene() {
    static Scene loaded = [] {
        Scene s;
        bench_display();
        const std::filesystem::path directory = std::filesystem::temp_directory_path() / "nightwick_anchors_bench";
        std::system((std::string(NIGHTWICK_ART) + " " + directory.string() + " > /dev/null").c_str());
        std::ifstream file(directory / "VeskBack.pcx", std::ios::binary);
        s.background_file.assign(std::istreambuf_iterator<char>(file), {});
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        s.background = gfx_create_buffer(640, 480);
        gfx_select_buffer(s.background);
        gfx_load_pcx("VeskBack.pcx", PCX_NO_COLOR_REDUCTION);
        load_sprites();
        std::filesystem::current_path(previous);
        for (SpriteFrame* frame : fly_set) s.wings.push_back(*frame);
        gfx_select_buffer(0);
        return s;
    }();
    return loaded;
}

// Where the i-th wing frame is drawn: spread over the screen, wholly on it.
int wing_x(int i) { return 20 + 75 * i; }
constexpr int wing_bottom = 300;

std::int64_t wing_bytes() {
    std::int64_t bytes = 0;
    for (const SpriteFrame& frame : scene().wings) bytes += static_cast<std::int64_t>(frame.width) * frame.height;
    return bytes;
}

// Runs the layer's routines with one form of the row kernels; the best form
// when the argument is -1.
bool use_path(benchmark::State& state, std::int64_t path) {
    const SpanPath wanted = path < 0 ? best_span_path() : static_cast<SpanPath>(path);
    if (!use_span_path(wanted)) {
        state.SkipWithError("this processor lacks the form");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// SDL2 surfaces holding the same pixels, sharing one palette so that 8-bit
// blits copy indices unchanged.

struct Surfaces {
    SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 8, SDL_PIXELFORMAT_INDEX8);
    std::vector<SDL_Surface*> owned;
    ~Surfaces() {
        for (SDL_Surface* surface : owned) SDL_FreeSurface(surface);
        SDL_FreeSurface(screen);
    }
    // An image stored bottom row first, as an SDL surface (top row first).
    SDL_Surface* image(const std::uint8_t* bitmap, int width, int height) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 8, SDL_PIXELFORMAT_INDEX8);
        SDL_SetSurfacePalette(surface, screen->format->palette);
        auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
        for (int row = 0; row < height; ++row) {
            std::memcpy(pixels + static_cast<std::ptrdiff_t>(row) * surface->pitch,
                        bitmap + static_cast<std::ptrdiff_t>(height - 1 - row) * width,
                        static_cast<std::size_t>(width));
        }
        owned.push_back(surface);
        return surface;
    }
};

// ---------------------------------------------------------------------------
// The eight wing-beat frames, transparent.

template <Draw draw>
void wings(benchmark::State& state) {
    const Scene& s = scene();
    if (!use_path(state, state.range(0))) return;
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i) {
            gfx_move_to(wing_x(i), wing_bottom);
            draw(s.wings[i].bitmap, s.wings[i].width, s.wings[i].height);
        }
    }
    state.SetBytesProcessed(state.iterations() * wing_bytes());
}

void BM_Wings(benchmark::State& state) { wings<gfx_draw_transparent>(state); }
void BM_WingsMirrored(benchmark::State& state) { wings<gfx_draw_transparent_mirrored>(state); }

void BM_WingsSdl(benchmark::State& state) {
    const Scene& s = scene();
    const bool rle = state.range(0) != 0;
    Surfaces surfaces;
    std::vector<SDL_Surface*> frames;
    for (const SpriteFrame& frame : s.wings) {
        SDL_Surface* surface = surfaces.image(frame.bitmap, frame.width, frame.height);
        SDL_SetColorKey(surface, SDL_TRUE, 0);
        SDL_SetSurfaceRLE(surface, rle ? 1 : 0);
        frames.push_back(surface);
    }
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i) {
            SDL_Rect at{wing_x(i), wing_bottom - frames[i]->h + 1, frames[i]->w, frames[i]->h};
            SDL_BlitSurface(frames[i], nullptr, surfaces.screen, &at);
        }
    }
    state.SetBytesProcessed(state.iterations() * wing_bytes());
}

void BM_WingsMemcpy(benchmark::State& state) {
    const Scene& s = scene();
    std::vector<std::uint8_t> to(static_cast<std::size_t>(wing_bytes()));
    for (auto _ : state) {
        std::uint8_t* out = to.data();
        for (const SpriteFrame& frame : s.wings) {
            const std::size_t bytes = static_cast<std::size_t>(frame.width) * frame.height;
            std::memcpy(out, frame.bitmap, bytes);
            out += bytes;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * wing_bytes());
}

// ---------------------------------------------------------------------------
// 100 x 100, every pixel transparent or not at random.

std::vector<std::uint8_t> random_half_transparent() {
    std::vector<std::uint8_t> bitmap(100 * 100);
    std::uint32_t seed = 12345;
    for (std::uint8_t& v : bitmap) {
        seed = seed * 1103515245u + 12345u;
        v = (seed >> 16) & 1 ? static_cast<std::uint8_t>(10 + (seed >> 20) % 200) : 0;
    }
    return bitmap;
}

void BM_Random(benchmark::State& state) {
    scene();
    if (!use_path(state, state.range(0))) return;
    const auto bitmap = random_half_transparent();
    gfx_move_to(200, 300);
    for (auto _ : state) gfx_draw_transparent(bitmap.data(), 100, 100);
    state.SetBytesProcessed(state.iterations() * 100 * 100);
}

void BM_RandomSdl(benchmark::State& state) {
    Surfaces surfaces;
    const auto bitmap = random_half_transparent();
    SDL_Surface* image = surfaces.image(bitmap.data(), 100, 100);
    SDL_SetColorKey(image, SDL_TRUE, 0);
    for (auto _ : state) {
        SDL_Rect at{200, 201, 100, 100};
        SDL_BlitSurface(image, nullptr, surfaces.screen, &at);
    }
    state.SetBytesProcessed(state.iterations() * 100 * 100);
}

// ---------------------------------------------------------------------------
// A 100 x 100 opaque copy between two 640 x 480 buffers.

void BM_Copy(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) gfx_copy_rect(100, 199, 100, 199, 300, 399, s.background, 0);
    state.SetBytesProcessed(state.iterations() * 100 * 100);
}

void BM_CopySdl(benchmark::State& state) {
    Surfaces surfaces;
    SDL_Surface* background = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 8, SDL_PIXELFORMAT_INDEX8);
    SDL_SetSurfacePalette(background, surfaces.screen->format->palette);
    surfaces.owned.push_back(background);
    for (auto _ : state) {
        SDL_Rect from{100, 100, 100, 100}, to{300, 300, 100, 100};
        SDL_BlitSurface(background, &from, surfaces.screen, &to);
    }
    state.SetBytesProcessed(state.iterations() * 100 * 100);
}

void BM_CopyMemcpy(benchmark::State& state) { memcpy_floor(state, 100 * 100); }

// ---------------------------------------------------------------------------
// VeskBack.pcx, 640 x 480, decoded from the file's bytes in memory.

void BM_Pcx(benchmark::State& state) {
    const Scene& s = scene();
    if (!use_path(state, state.range(0))) return;
    gfx_select_buffer(s.background);
    for (auto _ : state) {
        gfx_set_read_buffer(s.background_file.data(), static_cast<std::int32_t>(s.background_file.size()));
        gfx_load_pcx("", PCX_FROM_MEMORY | PCX_NO_COLOR_REDUCTION);
    }
    gfx_select_buffer(0);
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void BM_PcxSdlImage(benchmark::State& state) {
    const Scene& s = scene();
    for (auto _ : state) {
        SDL_RWops* in = SDL_RWFromConstMem(s.background_file.data(), static_cast<int>(s.background_file.size()));
        SDL_Surface* image = IMG_LoadPCX_RW(in);
        SDL_RWclose(in);
        if (image == nullptr) {
            state.SkipWithError("SDL2_image cannot read the picture");
            return;
        }
        SDL_FreeSurface(image);
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480);
}

void BM_PcxMemcpy(benchmark::State& state) { memcpy_floor(state, 640 * 480); }

// The argument of the layer's benchmarks: -1 the form chosen for this
// processor, else the SpanPath (0 plain, 1 words, 2 SSE2, 3 AVX2, 4 AVX-512).
void paths(benchmark::internal::Benchmark* b) { b->ArgName("path")->Arg(-1)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4); }

BENCHMARK(BM_Wings)->Apply(paths);
BENCHMARK(BM_WingsMirrored)->Apply(paths);
BENCHMARK(BM_WingsSdl)->ArgName("rle")->Arg(1)->Arg(0);
BENCHMARK(BM_WingsMemcpy);
BENCHMARK(BM_Random)->Apply(paths);
BENCHMARK(BM_RandomSdl);
BENCHMARK(BM_Copy);
BENCHMARK(BM_CopySdl);
BENCHMARK(BM_CopyMemcpy);
BENCHMARK(BM_Pcx)->Apply(paths)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PcxSdlImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PcxMemcpy)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
