// The layer's one palette and what is made from it: the window's logical
// palette, the DirectDraw palette, and the colour lookup of deep buffers.
#include <array>
#include <cstdint>

#include "gfx/buffers/pixels.h"
#include "gfx/state.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;

constexpr Rgb hex(std::uint32_t value) {
    return Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value)};
}

// The standard 256-colour VGA palette's rings: each is five 6-bit levels,
// walked round the colour wheel in 24 steps.
constexpr std::array<std::array<std::uint8_t, 5>, 9> ring_levels = {{{0, 16, 31, 47, 63},
                                                                     {31, 39, 47, 55, 63},
                                                                     {45, 49, 54, 58, 63},
                                                                     {0, 7, 14, 21, 28},
                                                                     {14, 17, 21, 24, 28},
                                                                     {20, 22, 24, 26, 28},
                                                                     {0, 4, 8, 12, 16},
                                                                     {8, 10, 12, 14, 16},
                                                                     {11, 12, 13, 15, 16}}};

// Which level (0 lo, 1 to 3 the middle ones, 4 hi) each of red, green and
// blue takes at the 24 steps of a ring.
constexpr std::array<std::array<std::uint8_t, 3>, 24> ring_steps = {{
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
}};

constexpr std::uint8_t widen(std::uint8_t six_bit) { return static_cast<std::uint8_t>(six_bit * 255 / 63); }

constexpr std::array<Rgb, 256> make_default_colors() {
    std::array<Rgb, 256> colors{};
    constexpr std::uint32_t low[10] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                       0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA4C8F0};
    constexpr std::uint32_t ega[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
                                       0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    constexpr std::uint32_t greys[4] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
    constexpr std::uint32_t high[10] = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                        0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 10; ++i) colors[i] = hex(low[i]);
    for (int i = 0; i < 16; ++i) colors[10 + i] = hex(ega[i]);
    for (int i = 0; i < 4; ++i) colors[26 + i] = hex(greys[i]);
    int index = 30;
    for (const auto& levels : ring_levels) {
        for (const auto& step : ring_steps) {
            colors[index++] = Rgb{widen(levels[step[0]]), widen(levels[step[1]]), widen(levels[step[2]])};
        }
    }
    for (int i = 0; i < 10; ++i) colors[246 + i] = hex(high[i]);
    return colors;
}

}  // namespace

constexpr std::array<Rgb, 256> default_colors = make_default_colors();
static_assert(default_colors[30] == Rgb{0x00, 0x00, 0xFF} && default_colors[31] == Rgb{0x40, 0x00, 0xFF});
static_assert(default_colors[245] == Rgb{0x2C, 0x30, 0x40});

namespace {

void set_lookup(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::int32_t bits) {
    if (bits == 16) {
        color_lookup.rgb16[index] = pack_rgb16(display.rgb16_layout, red, green, blue);
    } else if (bits >= 24) {
        color_lookup.rgb32[index] = lookup_entry(red, green, blue);
    }
}

void system_entries(int first, int count, int into) {
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, static_cast<UINT>(first), static_cast<UINT>(count),
                            master_palette.entries.data() + into);
    ReleaseDC(nullptr, screen);
}

void default_entries(int first, int last) {
    for (int i = first; i <= last; ++i) {
        master_palette.entries[i] =
            PALETTEENTRY{default_colors[i][0], default_colors[i][1], default_colors[i][2], PC_RESERVED};
    }
}

}  // namespace

void rebuild_color_lookup() {
    const std::int32_t bits = active_buffer.bits_per_pixel;
    if (bits == 8) return;
    for (int i = 0; i < 256; ++i) {
        const PALETTEENTRY& entry = master_palette.entries[i];
        if (bits == 16) {
            color_lookup.rgb16[i] = pack_rgb16(display.rgb16_layout, entry.peRed, entry.peGreen, entry.peBlue);
        } else {
            color_lookup.rgb32[i] = lookup_entry(entry.peRed, entry.peGreen, entry.peBlue);
        }
    }
}

std::int32_t gfx_attach_dc(HDC dc) {
    display.attached_dc = dc;
    SetStretchBltMode(dc, COLORONCOLOR);
    return 0;
}

HPALETTE gfx_create_logical_palette() {
    const auto requested = static_cast<std::int8_t>(display.mode_bits & 0xFF);
    int depth = requested;
    if (requested < 8) depth = gfx_desktop_depth();
    if (depth == 8) {
        // The display keeps its twenty static colours; pictures use the rest.
        system_entries(0, 10, 0);
        system_entries(246, 10, 246);
        default_entries(10, 245);
    } else if (depth > 8) {
        default_entries(0, 255);
    } else {
        system_entries(0, 8, 0);
        system_entries(8, 8, 248);
        default_entries(8, 247);
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&master_palette));
}

std::int32_t gfx_realize_palette(HPALETTE palette) {
    display.current_palette = palette;
    HPALETTE previous = SelectPalette(display.attached_dc, palette, FALSE);
    RealizePalette(display.attached_dc);
    if (display.saved_palette == nullptr) display.saved_palette = previous;
    return 0;
}

std::int32_t gfx_attach_palette() {
    if (active_buffer.handle >= 0 && active_buffer.bits_per_pixel == 8 && active_buffer.surface != nullptr) {
        active_buffer.surface->SetPalette(display.ddraw_palette);
    }
    return 0;
}

std::int32_t gfx_set_palette_range(std::int32_t first, std::int32_t count, const std::uint8_t* rgb) {
    if (active_buffer.handle == -1 || count == 0) return 0;
    // The range must lie inside the table; anything else is refused whole.
    if (first < 0 || count < 0 || first > 256 - count || rgb == nullptr) return 0;
    for (int i = 0; i < count; ++i) {
        master_palette.entries[first + i] = PALETTEENTRY{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], PC_RESERVED};
    }
    const auto bits = display.mode_bits;
    if (bits == 0) {
        AnimatePalette(display.current_palette, static_cast<UINT>(first), static_cast<UINT>(count),
                       master_palette.entries.data() + first);
    } else if (bits >= 1 && bits <= 8) {
        if (display.ddraw_palette != nullptr) {
            display.ddraw_palette->SetEntries(0, static_cast<DWORD>(first), static_cast<DWORD>(count),
                                              master_palette.entries.data() + first);
        }
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        set_lookup(first + i, rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], active_buffer.bits_per_pixel);
    }
    return 0;
}

void gfx_set_image_palette(std::int32_t count8, const std::uint8_t* rgb8, std::int32_t count_deep,
                           const std::uint8_t* rgb_deep) {
    if (active_buffer.bits_per_pixel <= 8) {
        // The display palette changes with the surface unlocked, so the
        // caller's outermost lock level is given back around it.
        if (display.lock_count != 0 && --display.lock_count == 0) unlock_surface();
        gfx_set_palette_range(10, count8, rgb8);
        if (display.lock_count == 0) lock_surface();
        ++display.lock_count;
    } else {
        gfx_set_palette_range(0, count_deep, rgb_deep);
    }
}
