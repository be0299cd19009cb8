// Stating the display wanted and turning it into DirectDraw objects:
// windowed, or exclusive full screen with a flip chain whose back buffer is
// buffer 0.
#include <array>

#include "gfx/buffers/pixels.h"
#include "gfx/display/direct3d.h"

namespace {

using DirectDrawCreateExFunction = HRESULT(WINAPI*)(GUID*, LPVOID*, REFIID, IUnknown*);
using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

// Interface versions tried, newest first, and the oldest accepted.
constexpr int newest_version = 7;
constexpr int oldest_version = 5;
static_assert(newest_version == 7 && oldest_version == 5, "only the DirectDraw 7, 6 and 5 interfaces are known");

constexpr std::array<const char*, avi_entry_count> avi_names = {
    "AVIFileCreateStreamA",   "AVIFileExit",           "AVIFileInit",
    "AVIFileOpenA",           "AVIFileRelease",        "AVIMakeCompressedStream",
    "AVISaveOptions",         "AVISaveOptionsFree",    "AVIStreamGetFrame",
    "AVIStreamGetFrameClose", "AVIStreamGetFrameOpen", "AVIStreamInfoA",
    "AVIStreamOpenFromFileA", "AVIStreamReadFormat",   "AVIStreamRelease",
    "AVIStreamSetFormat",     "AVIStreamWrite"};

template <typename Function>
Function entry_point(HMODULE module, const char* name) {
    // Entry points come back as the generic type and are called as what
    // they are.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void set_description_size(int version) {
    display.surface_desc.dwSize = version == 5 ? sizeof(DDSURFACEDESC) : sizeof(DDSURFACEDESC2);
}

// Newest interface first; -1 when no acceptable one can be had.
int create_interface() {
    display.ddraw_library = LoadLibraryA("DDRAW.DLL");
    if (display.ddraw_library == nullptr) {
        display.last_error = DDERR_NODIRECTDRAWSUPPORT;
        return -1;
    }
    if (auto create_ex = entry_point<DirectDrawCreateExFunction>(display.ddraw_library, "DirectDrawCreateEx")) {
        void* created = nullptr;
        display.last_error = create_ex(nullptr, &created, IID_IDirectDraw7, nullptr);
        if (display.last_error == DD_OK && created != nullptr) {
            display.ddraw = static_cast<IDirectDraw7*>(created);
            display.ddraw_version = 7;
            set_description_size(7);
            return 0;
        }
    }
    auto create = entry_point<DirectDrawCreateFunction>(display.ddraw_library, "DirectDrawCreate");
    if (create == nullptr) {
        display.last_error = DDERR_NODIRECTDRAWSUPPORT;
        return -1;
    }
    display.last_error = create(nullptr, &display.ddraw_v1, nullptr);
    if (display.last_error != DD_OK || display.ddraw_v1 == nullptr) {
        if (display.last_error == DD_OK) display.last_error = DDERR_NODIRECTDRAWSUPPORT;
        return -1;
    }
    void* asked = nullptr;
    display.last_error = display.ddraw_v1->QueryInterface(IID_IDirectDraw4, &asked);
    if (display.last_error == DD_OK) {
        display.ddraw = static_cast<IDirectDraw7*>(asked);
        display.ddraw_version = 6;
        set_description_size(6);
        return 0;
    }
    display.last_error = display.ddraw_v1->QueryInterface(IID_IDirectDraw2, &asked);
    if (display.last_error != DD_OK) return -1;
    display.ddraw = static_cast<IDirectDraw7*>(asked);
    display.ddraw_version = 5;
    set_description_size(5);
    return 0;
}

// The masks of the display's pixel format; for 16 bits also which layout.
bool read_pixel_format(bool sixteen_bits) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    display.last_error = display.primary->GetPixelFormat(&format);
    if (display.last_error != DD_OK) return false;
    display.red_mask = format.dwRBitMask;
    display.green_mask = format.dwGBitMask;
    display.blue_mask = format.dwBBitMask;
    display.alpha_mask = format.dwRGBAlphaBitMask;
    if (sixteen_bits) display.rgb16_layout = rgb16_layout_for(display.red_mask);
    return true;
}

// Fills the shared description for a primary surface with the given caps.
void describe_primary(DWORD caps, bool flip_chain) {
    clear_surface_desc();
    DDSURFACEDESC2& desc = display.surface_desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = caps;
    if (flip_chain) {
        desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
    }
}

bool create_primary(DWORD caps, DWORD fallback_caps, bool flip_chain) {
    describe_primary(caps, flip_chain);
    display.last_error = display.ddraw->CreateSurface(&display.surface_desc, &display.primary, nullptr);
    if (display.last_error == DD_OK) return true;
    display.primary = nullptr;
    describe_primary(fallback_caps, flip_chain);
    display.last_error = display.ddraw->CreateSurface(&display.surface_desc, &display.primary, nullptr);
    if (display.last_error == DD_OK) return true;
    display.primary = nullptr;
    return false;
}

int setup_windowed() {
    display.last_error = display.ddraw->SetCooperativeLevel(display.focus_window, DDSCL_NORMAL);
    if (display.last_error != DD_OK) return -1;
    if (!create_primary(DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY, DDSCAPS_PRIMARYSURFACE, false)) return -1;
    display.last_error = display.ddraw->CreateClipper(0, &display.clipper, nullptr);
    if (display.last_error != DD_OK) return -1;
    display.last_error = display.clipper->SetHWnd(0, display.focus_window);
    if (display.last_error != DD_OK) return -1;
    display.last_error = display.primary->SetClipper(display.clipper);
    if (display.last_error != DD_OK) return -1;
    const std::int32_t desktop = gfx_desktop_depth();
    if (desktop != 8 && !read_pixel_format(desktop == 16)) return -1;
    display.device_kind = 0;
    return 0;
}

int setup_exclusive() {
    // A mode of any other depth would give buffers that no pixel routine
    // can draw.
    if (!drawable_depth(display.mode_bits)) {
        display.last_error = DDERR_INVALIDMODE;
        return -1;
    }
    display.last_error = display.ddraw->SetCooperativeLevel(
        display.focus_window, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX);
    if (display.last_error != DD_OK) return -1;
    display.last_error =
        display.ddraw->SetDisplayMode(static_cast<DWORD>(display.mode_width), static_cast<DWORD>(display.mode_height),
                                      static_cast<DWORD>(display.mode_bits), 0, 0);
    if (display.last_error != DD_OK) {
        // 24 and 32 bits stand in for each other once; lower depths have no
        // stand-in, so they fail at once with the first attempt's code.
        if ((display.mode_flags & GFX_MODE_EXACT_DEPTH) || display.mode_bits < 24) return -1;
        display.mode_flags |= GFX_MODE_EXACT_DEPTH;
        display.mode_bits = 56 - display.mode_bits;
        display.last_error = 0;
        display.last_error = display.ddraw->SetDisplayMode(static_cast<DWORD>(display.mode_width),
                                                           static_cast<DWORD>(display.mode_height),
                                                           static_cast<DWORD>(display.mode_bits), 0, 0);
        if (display.last_error != DD_OK) return -1;
    }
    const bool flip_chain = (display.mode_flags & GFX_MODE_FLIP) != 0;
    DWORD caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY | display.extra_caps;
    if (flip_chain) caps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    const DWORD fallback = caps & ~(DDSCAPS_VIDEOMEMORY | display.extra_caps);
    if (!create_primary(caps, fallback, flip_chain)) return -1;
    if (display.mode_bits <= 8) {
        display.last_error =
            display.ddraw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | DDPCAPS_ALLOW256,
                                         master_palette.entries.data(), &display.ddraw_palette, nullptr);
        if (display.last_error != DD_OK) return -1;
        display.last_error = display.primary->SetPalette(display.ddraw_palette);
        if (display.last_error != DD_OK) return -1;
    }
    gfx_set_buffer_depth(display.mode_bits);
    if (display.mode_bits != 8 && !read_pixel_format(display.mode_bits == 16)) return -1;
    display.device_kind = 0;
    if (!flip_chain) return 0;

    // Buffer 0 is the back buffer: what is drawn there is shown by the next flip.
    display.device_kind = -1;
    DDSCAPS2 back_caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    display.last_error = display.primary->GetAttachedSurface(&back_caps, &back);
    if (display.last_error != DD_OK) return -1;
    buffer_table[0].surface = back;
    display.back_buffer = back;
    display.last_error = display.primary->GetSurfaceDesc(&display.surface_desc);
    if (display.last_error != DD_OK) return -1;
    VirtualBuffer& slot = buffer_table[0];
    slot.bits_per_pixel = display.mode_bits;
    slot.width = display.mode_width;
    slot.height = display.mode_height;
    slot.pitch = display.surface_desc.lPitch;
    slot.clip = ClipRect{0, display.mode_width - 1, 0, display.mode_height - 1};
    display.device_kind = 0;
    if ((display.mode_flags & (GFX_MODE_SOFTWARE_3D | GFX_MODE_HARDWARE_3D)) && display.d3d == nullptr) {
        setup_direct3d();
    }
    return 0;
}

std::int32_t finish() {
    // A repeated set-up keeps the context and the library it already holds,
    // so that shutdown, which releases each once, leaves nothing behind.
    if (display.memory_dc == nullptr) display.memory_dc = CreateCompatibleDC(nullptr);
    display.is_nt = (GetVersion() & 0x80000000u) == 0 ? 1 : 0;
    if (display.avi_library != nullptr) return display.device_kind;
    display.avi_library = LoadLibraryA("AVIFIL32.DLL");
    if (display.avi_library == nullptr) return display.device_kind;
    for (int i = 0; i < avi_entry_count; ++i) {
        display.avi_entry_points[i] = GetProcAddress(display.avi_library, avi_names[i]);
    }
    return display.device_kind;
}

}  // namespace

std::int32_t gfx_request_mode(std::int32_t width, std::int32_t height, std::int32_t bits, std::uint32_t flags) {
    display.mode_width = width;
    display.mode_height = height;
    display.mode_bits = bits;
    display.mode_flags = flags & 31;
    display.extra_caps = (flags & (GFX_MODE_SOFTWARE_3D | GFX_MODE_HARDWARE_3D)) ? DDSCAPS_3DDEVICE : 0;
    if (static_cast<std::int8_t>(bits & 0xFF) < 24) display.mode_flags &= ~GFX_MODE_EXACT_DEPTH;
    return 0;
}

std::int32_t gfx_setup_display() {
    read_buffer = ReadBuffer{read_block.data(), static_cast<std::int32_t>(read_block.size())};
    gfx_select_stock_font(OEM_FIXED_FONT);
    // Set up before and not shut down: the flip chain is kept, and buffer 0
    // goes on naming its back buffer.
    const bool keeps_back_buffer =
        display.ddraw != nullptr && display.back_buffer != nullptr && buffer_table[0].surface == display.back_buffer;
    const VirtualBuffer kept_back_buffer = keeps_back_buffer ? buffer_table[0] : VirtualBuffer{};
    reset_buffer_state();
    if (keeps_back_buffer) buffer_table[0] = kept_back_buffer;
    BYTE keys[256] = {};
    SetKeyboardState(keys);
    display.zbuffer = nullptr;
    display.device_kind = -1;

    if (display.ddraw != nullptr) {
        // Set up before and not shut down: the objects are kept.
        display.device_kind = 0;
        return finish();
    }
    display.back_buffer = nullptr;
    if (create_interface() != 0) return -1;
    display.focus_window = GetFocus();
    display.buffer_caps = DDSCAPS_SYSTEMMEMORY;
    const int result = display.mode_bits == 0 ? setup_windowed() : setup_exclusive();
    if (result != 0) return -1;
    return finish();
}

std::int32_t gfx_last_error() { return display.last_error; }

std::int32_t gfx_desktop_depth() {
    HDC screen = GetDC(nullptr);
    const std::int32_t depth = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return depth == 15 ? 16 : depth;
}

std::int32_t gfx_select_stock_font(std::int32_t stock_object) {
    display.text_font = GetStockObject(stock_object);
    SelectObject(display.attached_dc, display.text_font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(display.attached_dc, &metrics);
    display.text_line_height = metrics.tmHeight + metrics.tmExternalLeading;
    display.text_leading = metrics.tmExternalLeading;
    display.text_char_width = metrics.tmAveCharWidth;
    return 0;
}

std::int32_t gfx_set_buffer_depth(std::int32_t bits) {
    display.new_buffer_depth = bits;
    return 0;
}
