// Copies between buffers, handed to the platform's surface blit.
#include <algorithm>

#include "gfx/state.h"

namespace {

const VirtualBuffer* used_slot(BufferHandle handle) {
    if (static_cast<std::uint32_t>(handle) >= buffer_slots) return nullptr;
    const VirtualBuffer& entry = buffer_table[handle];
    return entry.surface != nullptr ? &entry : nullptr;
}

}  // namespace

std::int32_t gfx_copy_rect(std::int32_t min_x, std::int32_t max_x, std::int32_t min_y, std::int32_t max_y,
                           std::int32_t new_x, std::int32_t new_y, BufferHandle source, BufferHandle destination) {
    const VirtualBuffer* from = used_slot(source);
    const VirtualBuffer* to = used_slot(destination);
    if (from == nullptr || to == nullptr) return 0;
    if (from->bits_per_pixel != to->bits_per_pixel) return 0;
    if (max_x < min_x || max_y < min_y) return 0;

    // Source and destination rectangles move together while the rectangle is
    // cut to the part that lies inside both buffers.
    std::int64_t sx = min_x, sy = min_y;
    std::int64_t dx = new_x, dy = static_cast<std::int64_t>(new_y) - (static_cast<std::int64_t>(max_y) - min_y);
    std::int64_t w = static_cast<std::int64_t>(max_x) - min_x + 1;
    std::int64_t h = static_cast<std::int64_t>(max_y) - min_y + 1;
    const std::int64_t cut_left = std::max<std::int64_t>({0, -sx, -dx});
    const std::int64_t cut_top = std::max<std::int64_t>({0, -sy, -dy});
    sx += cut_left;
    dx += cut_left;
    w -= cut_left;
    sy += cut_top;
    dy += cut_top;
    h -= cut_top;
    w = std::min<std::int64_t>({w, from->width - sx, to->width - dx});
    h = std::min<std::int64_t>({h, from->height - sy, to->height - dy});
    if (w <= 0 || h <= 0) return 0;

    RECT area{static_cast<LONG>(sx), static_cast<LONG>(sy), static_cast<LONG>(sx + w), static_cast<LONG>(sy + h)};
    note_loss(
        to->surface->BltFast(static_cast<DWORD>(dx), static_cast<DWORD>(dy), from->surface, &area, DDBLTFAST_WAIT));
    return 0;
}

std::int32_t gfx_copy_buffer(BufferHandle source, BufferHandle destination) {
    const VirtualBuffer* from = used_slot(source);
    const VirtualBuffer* to = used_slot(destination);
    if (from == nullptr || to == nullptr) return 0;
    // As with rectangles: pixels of one depth are never blitted into another.
    if (from->bits_per_pixel != to->bits_per_pixel) return 0;
    if (from->width != to->width || from->height != to->height) return 0;
    note_loss(to->surface->BltFast(0, 0, from->surface, nullptr, DDBLTFAST_WAIT));
    return 0;
}
