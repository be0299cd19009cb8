// The desktop host: an SDL2 window, full screen, showing each flipped page
// through the palette, scaled without blurring; SDL events become window
// messages. The program paces its own flips on the platform's clock.
#include "host_sdl.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "control.h"

namespace platform {
namespace {

// SDL key codes are not virtual keys: translate the ones a program may ask for.
int virtual_key(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    switch (key) {
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_END:
            return VK_END;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        default:
            return 0;
    }
}

}  // namespace

SdlHost::SdlHost() {
    // A diagnostic for measuring the pacing; the program itself reads nothing.
    record_intervals_ = SDL_getenv("NIGHTWICK_FRAME_STATS") != nullptr;
}

SdlHost::~SdlHost() {
    if (record_intervals_ && intervals_.size() > 1) {
        std::size_t steady = 0;
        double total = 0;
        for (double ms : intervals_) {
            steady += (ms >= 16.667 - 2 && ms <= 16.667 + 2) ? 1 : 0;
            total += ms;
        }
        std::vector<double> sorted = intervals_;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double share) { return sorted[static_cast<std::size_t>(share * (sorted.size() - 1))]; };
        std::fprintf(stderr,
                     "frames: %zu intervals, mean %.3f ms, %.2f%% within 16.7 +/- 2 ms; "
                     "min %.2f, 1%% %.2f, median %.2f, 99%% %.2f, max %.2f ms\n",
                     intervals_.size(), total / static_cast<double>(intervals_.size()),
                     100.0 * steady / intervals_.size(), sorted.front(), at(0.01), at(0.5), at(0.99), sorted.back());
        std::fprintf(stderr, "frames: drawing a page into the window took up to %.2f ms\n", drawing_ms_);
    }
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
}

std::unique_ptr<SdlHost> SdlHost::open() {
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return nullptr;
    // Drivers that show nothing to anyone are no display.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0 ||
        SDL_GetNumVideoDisplays() < 1) {
        SDL_Quit();
        return nullptr;
    }
    return std::unique_ptr<SdlHost>(new SdlHost());
}

bool SdlHost::set_mode(int width, int height, int bits) {
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (window_ == nullptr) {
        // The window covers the desktop from the start, so the picture fills
        // the screen even where no window manager makes it full screen.
        SDL_DisplayMode desktop{};
        int window_width = width, window_height = height;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            window_width = desktop.w;
            window_height = desktop.h;
        }
        window_ = SDL_CreateWindow("Nightwick", 0, 0, window_width, window_height,
                                   SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
        if (window_ == nullptr) return false;
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ == nullptr) return false;
        SDL_ShowCursor(cursor_visible_ ? SDL_ENABLE : SDL_DISABLE);
    }
    if (texture_ != nullptr && (width != width_ || height != height_)) {
        SDL_DestroyTexture(texture_);
        texture_ = nullptr;
    }
    if (texture_ == nullptr) {
        // One streaming texture for the whole run; each page is converted into it.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (texture_ == nullptr) return false;
    }
    // The picture keeps its shape: black bars where the screen's differs.
    SDL_RenderSetLogicalSize(renderer_, width, height);
    SDL_RenderSetIntegerScale(renderer_, SDL_FALSE);
    width_ = width;
    height_ = height;
    bits_ = bits;
    return true;
}

namespace {

// One page row into the texture's 32-bit pixels: one loop per depth, chosen
// once per page.
void convert_8(const std::uint8_t* in, std::uint32_t* out, int width, const std::uint32_t* colours) {
    for (int x = 0; x < width; ++x) out[x] = colours[in[x]];
}

void convert_16(const std::uint8_t* in, std::uint32_t* out, int width, const std::uint32_t*) {
    for (int x = 0; x < width; ++x) {
        const unsigned v = in[2 * x] | (in[2 * x + 1] << 8);
        out[x] = 0xFF000000u | (((v >> 11) & 31) << 19) | (((v >> 5) & 63) << 10) | ((v & 31) << 3);
    }
}

template <int Bytes>
void convert_rgb(const std::uint8_t* in, std::uint32_t* out, int width, const std::uint32_t*) {
    for (int x = 0; x < width; ++x) {
        out[x] = 0xFF000000u | (in[Bytes * x + 2] << 16) | (in[Bytes * x + 1] << 8) | in[Bytes * x];
    }
}

}  // namespace

void SdlHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette) {
    if (texture_ == nullptr || width != width_ || height != height_) return;
    // A frame's interval is taken when the program hands it over, so that it
    // measures the program's pacing; the drawing below is the display's.
    const std::uint64_t handed = SDL_GetPerformanceCounter();
    void* out = nullptr;
    int out_pitch = 0;
    if (SDL_LockTexture(texture_, nullptr, &out, &out_pitch) == 0) {
        std::uint32_t colours[256];
        for (int i = 0; i < 256; ++i) {
            colours[i] = palette != nullptr
                             ? 0xFF000000u | (palette[i].peRed << 16) | (palette[i].peGreen << 8) | palette[i].peBlue
                             : 0xFF000000u | (i << 16) | (i << 8) | i;
        }
        const auto convert = bits == 8    ? convert_8
                             : bits == 16 ? convert_16
                             : bits == 24 ? convert_rgb<3>
                                          : convert_rgb<4>;
        for (int y = 0; y < height; ++y) {
            convert(pixels + static_cast<std::ptrdiff_t>(y) * pitch,
                    reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(out) + y * out_pitch), width, colours);
        }
        SDL_UnlockTexture(texture_);
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
    if (record_intervals_) {
        const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
        if (last_present_ != 0) intervals_.push_back(static_cast<double>(handed - last_present_) * 1000.0 / frequency);
        drawing_ms_ =
            std::max(drawing_ms_, static_cast<double>(SDL_GetPerformanceCounter() - handed) * 1000.0 / frequency);
        last_present_ = handed;
    }
}

void SdlHost::deliver(const SDL_Event& event, HostEvents& events) {
    switch (event.type) {
        case SDL_KEYDOWN:
            if (const int key = virtual_key(event.key.keysym.sym); key != 0) events.key_down(key);
            break;
        case SDL_QUIT:
            events.close();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                // As an exclusive display would, losing focus takes the
                // surfaces away.
                lose_surfaces();
                set_display_available(false);
                last_present_ = 0;  // the pause is no frame interval
                events.activate(false);
            } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                set_display_available(true);
                events.activate(true);
            } else if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                events.close();
            }
            break;
        default:
            break;
    }
}

void SdlHost::pump(HostEvents& events) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) deliver(event, events);
}

void SdlHost::wait(HostEvents& events) {
    // Blocks in the window system until something happens: an inactive
    // program costs nothing while it waits.
    SDL_Event event;
    if (SDL_WaitEvent(&event) != 0) deliver(event, events);
    pump(events);
}

int SdlHost::message_box(HWND owner, const char* text, const char* caption, UINT type) {
    (void)owner;
    (void)type;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window_);
    return IDOK;
}

void SdlHost::show_cursor(bool visible) {
    cursor_visible_ = visible;
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace platform
