// Capture: a rectangle of the active buffer, hanging from the drawing
// position, becomes an indexed bitmap stored bottom row first.
#include <algorithm>
#include <cstring>

#include "gfx/buffers/pixels.h"

namespace {

struct Capture {
    template <int Bits>
    static void run(std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
        const std::int64_t x = draw_position.x;
        const std::int64_t y = draw_position.y;
        // Columns of the image that lie inside the buffer; the others are
        // stored as 0, the transparent index, and never read.
        const std::int64_t first = std::clamp<std::int64_t>(-x, 0, width);
        const std::int64_t last = std::clamp<std::int64_t>(active_buffer.width - x, 0, width);
        for (std::int32_t r = 0; r < height; ++r) {
            std::uint8_t* out = bitmap + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
            const std::int64_t row = y - r;
            if (row < 0 || row >= active_buffer.height || first >= last) {
                std::memset(out, 0, static_cast<std::size_t>(width));
                continue;
            }
            std::memset(out, 0, static_cast<std::size_t>(first));
            std::memset(out + last, 0, static_cast<std::size_t>(width - last));
            const std::uint8_t* in =
                active_buffer.pixels + row * active_buffer.pitch + (x + first) * Pixel<Bits>::bytes;
            if constexpr (Bits == 8) {
                std::memcpy(out + first, in, static_cast<std::size_t>(last - first));
            } else {
                for (std::int64_t k = first; k < last; ++k, in += Pixel<Bits>::bytes) out[k] = Pixel<Bits>::capture(in);
            }
        }
    }
};

}  // namespace

std::int32_t gfx_get_image(std::uint8_t* bitmap, std::int32_t width, std::int32_t height) {
    if (active_buffer.handle == -1) return 0;
    lock_active_buffer();
    if (active_buffer.pixels != nullptr && bitmap != nullptr && width >= 1 && height >= 1) {
        for_depth<Capture>(active_buffer.bits_per_pixel, bitmap, width, height);
    }
    unlock_active_buffer();
    return 0;
}
