// Transparent drawing of indexed bitmaps into the active buffer: index 0
// leaves the buffer alone, every other index is written at the depth of the
// buffer. The image hangs from the drawing position by its lower-left pixel.
#include <cstdint>

#include "gfx/buffers/pixels.h"
#include "gfx/buffers/spans.h"

namespace {

// The part of an image that falls inside the clip rectangle, worked out once
// per call.
struct Placement {
    std::int64_t first_column;  // buffer column of the first drawn pixel
    std::int64_t first_row;     // buffer row of the first drawn (bottom) row
    std::int64_t rows;
    std::int64_t columns;
    std::int64_t skip_left;
    std::int64_t skip_right;
    std::int64_t skip_bottom;
};

bool place(std::int32_t width, std::int32_t height, Placement& out) {
    const ClipRect& clip = active_buffer.clip;
    const std::int64_t x = draw_position.x;
    const std::int64_t y = draw_position.y;
    std::int64_t rows = height;
    out.skip_left = x < clip.min_x ? clip.min_x - x : 0;
    out.first_column = x + out.skip_left;
    const std::int64_t top = y - rows + 1;
    if (top < clip.min_y) rows -= clip.min_y - top;
    if (y > clip.max_y) {
        out.skip_bottom = y - clip.max_y;
        rows -= out.skip_bottom;
        out.first_row = clip.max_y;
    } else {
        out.skip_bottom = 0;
        out.first_row = y;
    }
    if (rows <= 0) return false;
    const std::int64_t right = x + width - 1 - clip.max_x;
    out.skip_right = right > 0 ? right : 0;
    out.columns = width - out.skip_left - out.skip_right;
    out.rows = rows;
    return out.columns > 0;
}

template <int Bits, bool Mirrored>
void draw_rows(const std::uint8_t* bitmap, std::int32_t width, const Placement& at) {
    std::uint8_t* row_start =
        active_buffer.pixels + at.first_row * active_buffer.pitch + at.first_column * Pixel<Bits>::bytes;
    const std::uint8_t* first_source = bitmap + at.skip_bottom * static_cast<std::int64_t>(width);
    if constexpr (Bits == 8) {
        // Index pixels go to the row kernels, which take whole vectors. A
        // mirrored row is read from the bitmap column that lands rightmost.
        const SpanRect rect{row_start,
                            -static_cast<std::ptrdiff_t>(active_buffer.pitch),
                            first_source + (Mirrored ? at.skip_right : at.skip_left),
                            width,
                            at.columns,
                            at.rows};
        if constexpr (Mirrored) {
            span_kernels().draw_mirrored(rect);
        } else {
            span_kernels().draw(rect);
        }
        return;
    }
    for (std::int64_t r = 0; r < at.rows; ++r) {
        const std::uint8_t* source = first_source + r * static_cast<std::int64_t>(width);
        std::uint8_t* out = row_start;
        if constexpr (Mirrored) {
            // Buffer column x + j shows bitmap column width - 1 - j.
            const std::uint8_t* in = source + (width - 1 - at.skip_left);
            for (std::int64_t k = 0; k < at.columns; ++k, --in, out += Pixel<Bits>::bytes) {
                if (*in != 0) Pixel<Bits>::put(out, *in);
            }
        } else {
            const std::uint8_t* in = source + at.skip_left;
            for (std::int64_t k = 0; k < at.columns; ++k, ++in, out += Pixel<Bits>::bytes) {
                if (*in != 0) Pixel<Bits>::put(out, *in);
            }
        }
        row_start -= active_buffer.pitch;
    }
}

template <bool Mirrored>
struct Draw {
    template <int Bits>
    static void run(const std::uint8_t* bitmap, std::int32_t width, const Placement& at) {
        draw_rows<Bits, Mirrored>(bitmap, width, at);
    }
};

template <bool Mirrored>
std::int32_t draw_clipped(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
    if (active_buffer.handle == -1) return 0;
    lock_active_buffer();
    Placement at{};
    if (active_buffer.pixels != nullptr && bitmap != nullptr && place(width, height, at)) {
        for_depth<Draw<Mirrored>>(active_buffer.bits_per_pixel, bitmap, width, at);
    }
    unlock_active_buffer();
    return 0;
}

}  // namespace

std::int32_t gfx_draw_transparent(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
    return draw_clipped<false>(bitmap, width, height);
}

std::int32_t gfx_draw_transparent_mirrored(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
    return draw_clipped<true>(bitmap, width, height);
}

std::int32_t gfx_draw_transparent_unclipped(const std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
    const std::int64_t x = draw_position.x;
    const std::int64_t y = draw_position.y;
    const bool inside = width >= 1 && height >= 1 && x >= 0 && y < active_buffer.height &&
                        x + width <= active_buffer.width && y - height + 1 >= 0;
    // An image that reaches outside the buffer is drawn as the clipped draw
    // would draw it, so a caller's mistake never writes outside the buffer.
    if (!inside) return draw_clipped<false>(bitmap, width, height);
    if (active_buffer.handle == -1) return 0;
    lock_active_buffer();
    if (active_buffer.pixels != nullptr && bitmap != nullptr) {
        const Placement whole{x, y, height, width, 0, 0, 0};
        for_depth<Draw<false>>(active_buffer.bits_per_pixel, bitmap, width, whole);
    }
    unlock_active_buffer();
    return 0;
}
