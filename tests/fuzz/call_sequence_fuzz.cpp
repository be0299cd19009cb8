// The gfx_ API driven by a hostile caller: every handle, size, position and
// rectangle a 32-bit argument can hold, bitmaps exactly as large as each
// call says, and the platform failing locks, surface creation and blits or
// losing every surface in between. After every call the layer's books must
// balance: the lock released, the active buffer a live slot or none, no call
// on a freed object; and after shutdown nothing is left alive.
#include <algorithm>
#include <vector>

#include "pcx_load.h"

namespace {

// Bitmaps are allocated as large as the call says; beyond this many pixels
// a call is skipped so that one input cannot take the machine's memory.
constexpr std::int64_t largest_bitmap = 1 << 18;

// Surfaces the portable platform would make: up to 16384 on a side, here
// kept to a quarter of a million pixels for the same reason.
bool affordable_surface(std::int32_t width, std::int32_t height) {
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return true;  // refused anyway
    return static_cast<std::int64_t>(width) * height <= (1 << 18);
}

std::vector<std::uint8_t>* bitmap_for(FuzzInput& in, std::int32_t width, std::int32_t height,
                                      std::vector<std::uint8_t>& storage) {
    if (width < 1 || height < 1) {
        storage.assign(1, 0);  // nothing is read from it
        return &storage;
    }
    if (static_cast<std::int64_t>(width) * height > largest_bitmap) return nullptr;
    storage.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const std::uint8_t seed = in.byte();
    for (std::size_t i = 0; i < storage.size(); ++i) storage[i] = static_cast<std::uint8_t>((i * seed) >> 3);
    return &storage;
}

void check_books() {
    FUZZ_CHECK(display.lock_count == 0);
    FUZZ_CHECK(platform::misuse_count() == 0);
    FUZZ_CHECK(platform::global_block_count() == 0);
    FUZZ_CHECK(platform::open_file_count() == 0);
    if (active_buffer.handle != -1) {
        FUZZ_CHECK(active_buffer.handle >= 0 && active_buffer.handle < buffer_slots);
        FUZZ_CHECK(buffer_table[active_buffer.handle].surface == active_buffer.surface);
        FUZZ_CHECK(active_buffer.surface != nullptr);
    }
    // A slot names a live surface or none; the platform counts the living.
    int held = 0;
    for (const VirtualBuffer& slot : buffer_table) held += slot.surface != nullptr;
    FUZZ_CHECK(held <= platform::live_objects());
    if (display.ddraw == nullptr) FUZZ_CHECK(held == 0);
}

// Failures as the platform reports them; a lock may also succeed without
// handing out an address.
struct Failure {
    const char* call;
    HRESULT results[2];
};
const Failure failures[] = {
    {"IDirectDrawSurface7::Lock", {DDERR_SURFACELOST, DD_OK}},
    {"IDirectDraw7::CreateSurface", {DDERR_OUTOFMEMORY, DDERR_INVALIDPIXELFORMAT}},
    {"IDirectDrawSurface7::BltFast", {DDERR_SURFACELOST, DDERR_GENERIC}},
    {"IDirectDrawSurface7::Restore", {DDERR_WRONGMODE, DDERR_GENERIC}},
    {"IDirectDrawSurface7::Flip", {DDERR_SURFACELOST, DDERR_WASSTILLDRAWING}},
    {"GlobalAlloc", {0, 0}},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    fuzz::display_of(in.byte() % 5);
    std::vector<std::uint8_t> storage;
    std::uint8_t rgb[768];
    for (int i = 0; i < 768; ++i) rgb[i] = static_cast<std::uint8_t>(i * 13);
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.byte() % 20) {
            case 0: {
                const std::int32_t width = in.hostile(), height = in.hostile();
                if (affordable_surface(width, height)) gfx_create_buffer(width, height);
                break;
            }
            case 1:
                gfx_select_buffer(in.hostile());
                break;
            case 2:
                gfx_free_buffer(in.hostile());
                break;
            case 3: {
                const std::int32_t x = in.hostile();
                gfx_move_to(x, in.hostile());
                break;
            }
            case 4:
            case 5:
            case 6:
            case 7: {
                const std::uint8_t kind = in.byte() % 4;
                const std::int32_t width = in.hostile(), height = in.hostile();
                const std::vector<std::uint8_t>* bitmap = bitmap_for(in, width, height, storage);
                if (bitmap == nullptr) break;
                auto* pixels = storage.data();
                if (kind == 0) gfx_draw_transparent(pixels, width, height);
                if (kind == 1) gfx_draw_transparent_mirrored(pixels, width, height);
                if (kind == 2) gfx_draw_transparent_unclipped(pixels, width, height);
                if (kind == 3) gfx_get_image(pixels, width, height);
                break;
            }
            case 8: {
                const std::int32_t a = in.hostile(), b = in.hostile(), c = in.hostile(), d = in.hostile();
                const std::int32_t e = in.hostile(), f = in.hostile(), from = in.hostile();
                gfx_copy_rect(a, b, c, d, e, f, from, in.hostile());
                break;
            }
            case 9: {
                const std::int32_t from = in.hostile();
                gfx_copy_buffer(from, in.hostile());
                break;
            }
            case 10: {
                const Failure& failure = failures[in.byte() % std::size(failures)];
                const int count = 1 + in.byte() % 3;
                platform::fail_next(failure.call, count, failure.results[in.byte() % 2]);
                break;
            }
            case 11:
                platform::lose_surfaces();
                break;
            case 12:
                gfx_restore_surfaces();
                break;
            case 13:
                gfx_flip();
                break;
            case 14: {
                // The triples hold 256 entries: a range past them is the
                // layer's to refuse.
                const std::int32_t first = in.hostile();
                gfx_set_palette_range(first, in.hostile(), rgb);
                break;
            }
            case 15: {
                const std::int32_t start = in.hostile();
                gfx_reduce_colors(start, in.hostile(), rgb);
                break;
            }
            case 16:
                gfx_deselect_buffers();
                break;
            case 17: {
                // A small picture from the rest of the input.
                const std::size_t asked = in.byte() * 8u;
                const std::size_t length = std::min<std::size_t>(in.left(), asked);
                std::vector<std::uint8_t> file(in.rest(), in.rest() + length);
                for (std::size_t i = 0; i < length; ++i) in.byte();
                gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
                gfx_load_pcx("", PCX_FROM_MEMORY | (in.byte() & 11));
                break;
            }
            case 18:
                gfx_surfaces_lost();
                break;
            default:
                // Shut down and set up again, as a program may.
                gfx_shutdown();
                if (in.byte() % 2) {
                    gfx_request_mode(96, 64, fuzz::depths[in.byte() % 5].bits, GFX_MODE_FLIP);
                    gfx_setup_display();
                }
                break;
        }
        check_books();
    }
    // Everything given back: the next input starts from a fresh display.
    gfx_deselect_buffers();
    gfx_free_buffer(-1);
    gfx_shutdown();
    FUZZ_CHECK(platform::live_objects() == 0);
    FUZZ_CHECK(platform::misuse_count() == 0);
    fuzz::forget_display();
    return 0;
}
