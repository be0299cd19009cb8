// GDI32 of the portable platform: device contexts (including USER32's
// GetDC/ReleaseDC, which hand them out), the system palette, logical
// palettes, the stock font and memory device contexts.
#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "../control/call_log.h"
#include "../control/control.h"
#include "../control/reset.h"
#include "shared_state.h"

using namespace platform::detail;

namespace {

// The twenty static colours an 8-bit display keeps at both ends.
constexpr std::array<std::uint32_t, 10> low_statics = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                                       0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0};
constexpr std::array<std::uint32_t, 10> high_statics = {0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                                        0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr std::uintptr_t stock_font = 0x8A0000;
constexpr std::uintptr_t stock_palette = 0x880000;

PALETTEENTRY entry_of(std::uint32_t rgb) {
    return PALETTEENTRY{static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb), 0};
}

std::array<PALETTEENTRY, 256> default_system_palette() {
    std::array<PALETTEENTRY, 256> entries{};
    for (std::size_t i = 0; i < 10; ++i) {
        entries[i] = entry_of(low_statics[i]);
        entries[246 + i] = entry_of(high_statics[i]);
    }
    return entries;
}

struct DeviceContext {
    HWND window = nullptr;  // null: the screen or a memory context
    bool memory = false;
    std::uintptr_t palette = stock_palette;
    std::uintptr_t font = 0;
    int stretch_mode = BLACKONWHITE;
};

struct Gdi {
    std::map<std::uintptr_t, DeviceContext> contexts;
    std::map<HWND, std::uintptr_t> window_contexts;  // windows keep their own context
    std::map<std::uintptr_t, std::vector<PALETTEENTRY>> palettes;
    std::uintptr_t next_handle = 0x40010;
    std::array<PALETTEENTRY, 256> system_palette = default_system_palette();
    int desktop_depth = 32;
};

Gdi& gdi() {
    static Gdi state;
    return state;
}

DeviceContext* context(HDC dc) {
    auto found = gdi().contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    return found == gdi().contexts.end() ? nullptr : &found->second;
}

std::uintptr_t new_handle() {
    std::uintptr_t handle = gdi().next_handle;
    gdi().next_handle += 0x10;
    return handle;
}

}  // namespace

namespace platform {

namespace {
const detail::ResetHook reset_gdi32(detail::ResetOrder::gdi32, [] { gdi() = Gdi{}; });
}  // namespace

void set_desktop_depth(int bits) { gdi().desktop_depth = bits; }

int detail::desktop_depth() { return gdi().desktop_depth == 15 ? 16 : gdi().desktop_depth; }

void set_system_palette(const PALETTEENTRY (&entries)[256]) {
    std::memcpy(gdi().system_palette.data(), entries, sizeof entries);
}

HPALETTE selected_palette(HDC dc) {
    DeviceContext* found = context(dc);
    return found == nullptr ? nullptr : reinterpret_cast<HPALETTE>(found->palette);
}

HGDIOBJ selected_font(HDC dc) {
    DeviceContext* found = context(dc);
    return found == nullptr ? nullptr : reinterpret_cast<HGDIOBJ>(found->font);
}

int stretch_mode(HDC dc) {
    DeviceContext* found = context(dc);
    return found == nullptr ? 0 : found->stretch_mode;
}

std::vector<PALETTEENTRY> palette_entries(HPALETTE palette) {
    auto found = gdi().palettes.find(reinterpret_cast<std::uintptr_t>(palette));
    return found == gdi().palettes.end() ? std::vector<PALETTEENTRY>{} : found->second;
}

std::size_t gdi_object_count() {
    std::size_t count = gdi().palettes.size();
    for (auto& [handle, dc] : gdi().contexts) {
        if (dc.memory) ++count;
    }
    return count;
}

}  // namespace platform

HDC WINAPI GetDC(HWND window) {
    if (auto failed = logged<HDC>("GetDC", {ptr(window)})) return *failed;
    Gdi& state = gdi();
    if (window != nullptr) {
        if (!is_window(window)) return nullptr;
        auto found = state.window_contexts.find(window);
        if (found != state.window_contexts.end()) return reinterpret_cast<HDC>(found->second);
    }
    std::uintptr_t handle = new_handle();
    DeviceContext& dc = state.contexts[handle];
    dc.window = window;
    if (window != nullptr) state.window_contexts[window] = handle;
    return reinterpret_cast<HDC>(handle);
}

int WINAPI ReleaseDC(HWND window, HDC dc) {
    if (auto failed = logged<int>("ReleaseDC", {ptr(window), ptr(dc)})) return *failed;
    DeviceContext* found = context(dc);
    if (found == nullptr || found->memory || found->window != window) return 0;
    // A window's own context lives as long as the window; the screen's is
    // given back here.
    if (window == nullptr) gdi().contexts.erase(reinterpret_cast<std::uintptr_t>(dc));
    return 1;
}

int WINAPI GetDeviceCaps(HDC dc, int index) {
    if (auto failed = logged<int>("GetDeviceCaps", {ptr(dc), num(index)})) return *failed;
    if (context(dc) == nullptr) return 0;
    if (index == BITSPIXEL) return gdi().desktop_depth;
    if (index == PLANES) return 1;
    return 0;
}

UINT WINAPI GetSystemPaletteEntries(HDC dc, UINT first, UINT count, LPPALETTEENTRY entries) {
    if (auto failed = logged<UINT>("GetSystemPaletteEntries", {ptr(dc), num(first), num(count), ptr(entries)})) {
        return *failed;
    }
    if (context(dc) == nullptr) return 0;
    // Only a desktop of 8 bits or fewer has a system palette; elsewhere the
    // call fails and leaves the entries alone.
    if (gdi().desktop_depth > 8) return 0;
    if (entries == nullptr) return 256;  // asks for the size of the system palette
    if (first >= 256) return 0;
    UINT copied = count > 256 - first ? 256 - first : count;
    std::memcpy(entries, gdi().system_palette.data() + first, copied * sizeof(PALETTEENTRY));
    return copied;
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette) {
    if (auto failed = logged<HPALETTE>("CreatePalette", {ptr(palette), num(palette ? palette->palNumEntries : 0)})) {
        return *failed;
    }
    if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    std::uintptr_t handle = new_handle();
    gdi().palettes[handle].assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return reinterpret_cast<HPALETTE>(handle);
}

HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL force_background) {
    if (auto failed = logged<HPALETTE>("SelectPalette", {ptr(dc), ptr(palette), num(force_background)})) {
        return *failed;
    }
    DeviceContext* found = context(dc);
    auto handle = reinterpret_cast<std::uintptr_t>(palette);
    if (found == nullptr || (handle != stock_palette && gdi().palettes.count(handle) == 0)) return nullptr;
    std::uintptr_t previous = found->palette;
    found->palette = handle;
    return reinterpret_cast<HPALETTE>(previous);
}

UINT WINAPI RealizePalette(HDC dc) {
    if (auto failed = logged<UINT>("RealizePalette", {ptr(dc)})) return *failed;
    DeviceContext* found = context(dc);
    if (found == nullptr) return static_cast<UINT>(-1);  // GDI_ERROR
    auto palette = gdi().palettes.find(found->palette);
    return palette == gdi().palettes.end() ? 0 : static_cast<UINT>(palette->second.size());
}

BOOL WINAPI AnimatePalette(HPALETTE palette, UINT first, UINT count, const PALETTEENTRY* entries) {
    if (auto failed = logged<BOOL>("AnimatePalette", {ptr(palette), num(first), num(count), ptr(entries)})) {
        return *failed;
    }
    auto found = gdi().palettes.find(reinterpret_cast<std::uintptr_t>(palette));
    if (found == gdi().palettes.end() || entries == nullptr) return FALSE;
    std::vector<PALETTEENTRY>& stored = found->second;
    // Only entries made with PC_RESERVED can be animated.
    for (UINT i = 0; i < count && first + i < stored.size(); ++i) {
        if (stored[first + i].peFlags & PC_RESERVED) stored[first + i] = entries[i];
    }
    return TRUE;
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    if (auto failed = logged<BOOL>("DeleteObject", {ptr(object)})) return *failed;
    auto handle = reinterpret_cast<std::uintptr_t>(object);
    if (handle == stock_font || handle == stock_palette) return TRUE;  // stock objects are never deleted
    return gdi().palettes.erase(handle) != 0 ? TRUE : FALSE;
}

int WINAPI SetStretchBltMode(HDC dc, int mode) {
    if (auto failed = logged<int>("SetStretchBltMode", {ptr(dc), num(mode)})) return *failed;
    DeviceContext* found = context(dc);
    if (found == nullptr || mode < 1 || mode > 4) return 0;
    int previous = found->stretch_mode;
    found->stretch_mode = mode;
    return previous;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    if (auto failed = logged<HGDIOBJ>("GetStockObject", {num(index)})) return *failed;
    if (index == OEM_FIXED_FONT) return reinterpret_cast<HGDIOBJ>(stock_font);
    if (index == DEFAULT_PALETTE) return reinterpret_cast<HGDIOBJ>(stock_palette);
    return nullptr;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    if (auto failed = logged<HGDIOBJ>("SelectObject", {ptr(dc), ptr(object)})) return *failed;
    DeviceContext* found = context(dc);
    // Fonts are the only objects selected this way here.
    if (found == nullptr || reinterpret_cast<std::uintptr_t>(object) != stock_font) return nullptr;
    std::uintptr_t previous = found->font == 0 ? stock_font : found->font;
    found->font = stock_font;
    return reinterpret_cast<HGDIOBJ>(previous);
}

BOOL WINAPI GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
    if (auto failed = logged<BOOL>("GetTextMetricsA", {ptr(dc), ptr(metrics)})) return *failed;
    if (context(dc) == nullptr || metrics == nullptr) return FALSE;
    // The fixed 8 x 12 terminal font.
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = 12;
    metrics->tmAscent = 10;
    metrics->tmDescent = 2;
    metrics->tmExternalLeading = 0;
    metrics->tmAveCharWidth = 8;
    metrics->tmMaxCharWidth = 8;
    metrics->tmWeight = 400;
    metrics->tmFirstChar = 0;
    metrics->tmLastChar = 255;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmPitchAndFamily = 0x30;  // modern family, fixed pitch
    metrics->tmCharSet = 255;          // OEM character set
    return TRUE;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    if (auto failed = logged<HDC>("CreateCompatibleDC", {ptr(dc)})) return *failed;
    if (dc != nullptr && context(dc) == nullptr) return nullptr;
    std::uintptr_t handle = new_handle();
    gdi().contexts[handle].memory = true;
    return reinterpret_cast<HDC>(handle);
}

BOOL WINAPI DeleteDC(HDC dc) {
    if (auto failed = logged<BOOL>("DeleteDC", {ptr(dc)})) return *failed;
    DeviceContext* found = context(dc);
    if (found == nullptr || !found->memory) return FALSE;
    gdi().contexts.erase(reinterpret_cast<std::uintptr_t>(dc));
    return TRUE;
}
