// The desktop host: an SDL2 window, full screen or in a window, or a window
// it is given (an xscreensaver hack's), showing each flipped page through
// the palette, scaled without blurring; SDL events become window messages.
// The program paces its own flips on the platform's clock.
#include "sdl.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "../control/control.h"
#include "wayland_pixels.h"

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

// Names a software rasterizer gives itself: drawing through one costs a
// core's fraction per frame that scaling into the window's pixels does not.
bool software_rasterizer(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE) != 0) return true;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    const auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    constexpr unsigned gl_renderer = 0x1F01;
    const char* name = get_string != nullptr ? reinterpret_cast<const char*>(get_string(gl_renderer)) : nullptr;
    if (name == nullptr) return true;
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR", "swrast", "lavapipe"}) {
        if (std::strstr(name, software) != nullptr) return true;
    }
    return false;
}

int x_error_seen = 0;
int note_x_error(Display*, XErrorEvent* error) {
    x_error_seen = error->error_code;
    return 0;
}

void say(const char* text) {
    // Only what is async-signal safe: Xlib calls the handlers below from
    // deep inside itself, with its own state half-way.
    for (std::size_t left = std::strlen(text); left > 0;) {
        const ssize_t written = ::write(STDERR_FILENO, text, left);
        if (written <= 0) return;
        text += written;
        left -= static_cast<std::size_t>(written);
    }
}

// The X server went away, or closed our connection (xkill, a window
// manager's force-quit): nothing can be shown again. Xlib would exit()
// after this handler, and the exit would run the window's destruction,
// which waits on the dead connection for ever; the process ends here
// instead, and the kernel takes back all it held.
[[noreturn]] int lost_x_display(Display*) {
    say("nightwick: the connection to the X display was lost\n");
    ::_exit(1);
}

// The window a hack draws into, gone when its error comes.
unsigned long drawn_into_window = 0;

// A hack whose window was destroyed has nothing left to draw into.
[[noreturn]] void given_window_gone() {
    say("nightwick: the window it was given is gone\n");
    ::_exit(1);
}

// One line for each X error, not Xlib's dump of a dozen (which also ends
// the process).
int report_x_error(Display* display, XErrorEvent* error) {
    char text[160];
    XGetErrorText(display, error->error_code, text, sizeof text);
    char line[256];
    std::snprintf(line, sizeof line, "nightwick: X error: %s (request %d, resource 0x%lx)\n", text,
                  static_cast<int>(error->request_code), static_cast<unsigned long>(error->resourceid));
    say(line);
    if (drawn_into_window != 0 && error->resourceid == drawn_into_window &&
        (error->error_code == BadWindow || error->error_code == BadDrawable)) {
        given_window_gone();
    }
    return 0;
}

// Set once the X11 driver has its connection; SDL installs handlers of its
// own while it starts, which these replace.
void handle_x_failures() {
    XSetIOErrorHandler(lost_x_display);
    XSetErrorHandler(report_x_error);
}

// What SDL knows of the window in the window system's own terms, when
// it is shown through that one.
bool window_system_info(SDL_Window* window, SDL_SYSWM_TYPE subsystem, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return window != nullptr && SDL_GetWindowWMInfo(window, &info) && info.subsystem == subsystem;
}

// A hack that draws nothing new sends nothing to the X server, and would
// not hear of its window's destruction (its owner ended, or was killed)
// until something moved. Asked for the window's structure events on SDL's
// own connection, it hears at once: the destruction comes as an X event.
void watch_for_destruction(SDL_Window* window, unsigned long foreign) {
    SDL_SysWMinfo info;
    if (!window_system_info(window, SDL_SYSWM_X11, info)) return;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(info.info.x11.display, foreign, &attributes) == 0) return;
    // The mask is this connection's own: SDL's choice is kept.
    XSelectInput(info.info.x11.display, foreign, attributes.your_event_mask | StructureNotifyMask);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool destroys(const SDL_Event& event, unsigned long window) {
    if (event.syswm.msg == nullptr || event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x_event = event.syswm.msg->msg.x11.event;
    return x_event.type == DestroyNotify && x_event.xdestroywindow.window == window;
}

// Whether the Wayland connection behind a quit has failed: SDL turns a
// compositor that went away into a quit, as it does SIGTERM. SDL loads the
// client library itself, privately; it is asked there.
bool wayland_connection_failed(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!window_system_info(window, SDL_SYSWM_WAYLAND, info)) return false;
    void* library = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return false;
    using GetError = int (*)(struct wl_display*);
    auto get_error = reinterpret_cast<GetError>(dlsym(library, "wl_display_get_error"));
    const bool failed = get_error != nullptr && get_error(info.info.wl.display) != 0;
    dlclose(library);
    return failed;
}

// What was tried, when no display could be had.
std::string no_display_reason(const char* driver) {
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && *asked != '\0') {
        return std::string("SDL_VIDEODRIVER=") + asked + " cannot be used (" + SDL_GetError() + ")";
    }
    const char* x_display = SDL_getenv("DISPLAY");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    const bool x_named = x_display != nullptr && *x_display != '\0';
    const bool wayland_named = wayland != nullptr && *wayland != '\0';
    if (!x_named && !wayland_named) return "neither DISPLAY nor WAYLAND_DISPLAY is set";
    std::string why;
    if (wayland_named) why = std::string("no Wayland compositor answers at WAYLAND_DISPLAY=") + wayland;
    if (x_named) {
        why += why.empty() ? "" : ", and ";
        why += std::string("the X display DISPLAY=") + x_display + " does not answer";
    }
    if (driver != nullptr) why += std::string(" (SDL found only its ") + driver + " driver)";
    return why;
}

// The window a hack draws into: the one named, else the root window. It is
// asked of the X server on a connection of our own, so that a wrong id is
// an error message rather than the end of the process.
unsigned long foreign_window(const WindowPlacement& placement, std::string& why) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        why = "cannot open a display: " + no_display_reason(nullptr);
        return 0;
    }
    unsigned long window = placement.root ? DefaultRootWindow(display) : placement.window_id;
    x_error_seen = 0;
    const auto previous = XSetErrorHandler(note_x_error);
    XWindowAttributes attributes{};
    const Status found = XGetWindowAttributes(display, window, &attributes);
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    if (found == 0 || x_error_seen != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "there is no X window 0x%lx", window);
        why = text;
        return 0;
    }
    return window;
}

// SIGTERM and SIGINT end the program in every state. SDL's own handlers
// only note a signal for its next look at the events, and one that comes
// just before it blocks waiting for the next event is not seen until
// something else happens: a paused program would wait for ever. The
// signals are blocked in every thread instead (SDL's and the drivers' too,
// which inherit the mask) and taken by a thread of their own, which posts
// the quit and so wakes the wait.
sigset_t ending_signals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

void take_ending_signals(sigset_t set) {
    std::thread([set] {
        int signal = 0;
        while (sigwait(&set, &signal) == 0) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
    }).detach();
}

// Whether the machine has a graphics processor to render with: a DRM
// render node is where a GL driver would find one. Without it a GL driver
// would only load a software rasterizer, tens of megabytes, to learn so.
bool has_render_node() {
    for (int node = 128; node < 136; ++node) {
        const std::string path = "/dev/dri/renderD" + std::to_string(node);
        if (access(path.c_str(), R_OK | W_OK) == 0) return true;
    }
    return false;
}

// NIGHTWICK_RENDERER=gpu takes the renderer's path even on a software
// rasterizer, =cpu never: for testing each path's pixels.
const char* forced_renderer() {
    const char* forced = SDL_getenv("NIGHTWICK_RENDERER");
    return forced != nullptr ? forced : "";
}
bool gpu_forced() { return SDL_strcmp(forced_renderer(), "gpu") == 0; }
bool gpu_wanted() { return gpu_forced() || (SDL_strcmp(forced_renderer(), "cpu") != 0 && has_render_node()); }

}  // namespace

SdlHost::SdlHost(const WindowPlacement& placement) : placement_(placement) {
    // A diagnostic for measuring the pacing; the program itself reads nothing.
    record_intervals_ = SDL_getenv("NIGHTWICK_FRAME_STATS") != nullptr;
}

SdlHost::~SdlHost() {
    if (record_intervals_) report_frames();
    wayland_.reset();  // its buffers before the surface they are on
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_Quit();
}

void SdlHost::report_frames() const {
    if (intervals_.size() < 2) return;
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
                 intervals_.size(), total / static_cast<double>(intervals_.size()), 100.0 * steady / intervals_.size(),
                 sorted.front(), at(0.01), at(0.5), at(0.99), sorted.back());
    std::fprintf(stderr, "frames: drawing a page into the window took up to %.2f ms (%s)\n", drawing_ms_,
                 renderer_ != nullptr ? "renderer" : "scaled into the window");
}

std::unique_ptr<SdlHost> SdlHost::open(const WindowPlacement& placement, std::string& why) {
    // SDL holds off the screen saver while its video runs, suspending the X
    // server's and resetting its idle time every half minute, which also
    // keeps the monitor from going to sleep. A hack runs while xscreensaver
    // blanks the screen, and the power saving that follows is the server's
    // to start, whatever the environment says: only the program itself,
    // full screen or in a window, holds it off. The hint is read when the
    // video starts.
    if (placement.kind == WindowPlacement::Kind::foreign) {
        SDL_SetHintWithPriority(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1", SDL_HINT_OVERRIDE);
    }
    // Without a display named there is nothing to try; without a Wayland
    // one, SDL's Wayland driver would only look for a default socket (and
    // its library complain of the environment) before X11 is tried.
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked == nullptr || *asked == '\0') {
        const auto named = [](const char* variable) {
            const char* value = SDL_getenv(variable);
            return value != nullptr && *value != '\0';
        };
        if (!named("DISPLAY") && !named("WAYLAND_DISPLAY")) {
            why = "cannot open a display: " + no_display_reason(nullptr);
            return nullptr;
        }
        // A compositor is talked to directly, where there is one; X11 is
        // the way otherwise, and always for a hack, whose window is an X one.
        const bool wayland = named("WAYLAND_DISPLAY") && placement.kind != WindowPlacement::Kind::foreign;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, wayland ? "wayland,x11" : "x11");
    }
    // Another window taking the focus pauses the program; its window stays
    // full screen, as a window of any other program would.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const sigset_t ending = ending_signals();
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
        why = "cannot open a display: " + no_display_reason(nullptr);
        return nullptr;
    }
    take_ending_signals(ending);
    // Drivers that show nothing to anyone are no display.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0 ||
        SDL_GetNumVideoDisplays() < 1) {
        why = "cannot open a display: " + no_display_reason(driver);
        SDL_Quit();
        return nullptr;
    }
    if (SDL_strcmp(driver, "x11") == 0) handle_x_failures();
    std::unique_ptr<SdlHost> host(new SdlHost(placement));
    if (placement.kind == WindowPlacement::Kind::foreign) {
        if (SDL_strcmp(driver, "x11") != 0) {
            why = "drawing into a given window needs the X11 video driver";
            return nullptr;
        }
        host->foreign_window_ = foreign_window(placement, why);
        if (host->foreign_window_ == 0) return nullptr;
        // Let the renderer use the graphics processor on the given window,
        // where there is one: the hint alone loads a GL driver.
        if (gpu_wanted()) SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
        host->window_ =
            SDL_CreateWindowFrom(reinterpret_cast<void*>(static_cast<std::uintptr_t>(host->foreign_window_)));
        if (host->window_ == nullptr) {
            why = SDL_GetError();
            return nullptr;
        }
        drawn_into_window = host->foreign_window_;
        handle_x_failures();
        watch_for_destruction(host->window_, host->foreign_window_);
    }
    return host;
}

bool SdlHost::create_window(int width, int height) {
    if (placement_.kind == WindowPlacement::Kind::window) {
        window_ = SDL_CreateWindow("Nightwick", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                   SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    } else {
        // The window covers the desktop from the start, so the picture fills
        // the screen even where no window manager makes it full screen.
        SDL_DisplayMode desktop{};
        int window_width = width, window_height = height;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
            window_width = desktop.w;
            window_height = desktop.h;
        }
        // Resizable, so that no fixed size tells a compositor to float it,
        // and at the output's own pixels on a high-density screen.
        window_ = SDL_CreateWindow(
            "Nightwick", 0, 0, window_width, window_height,
            SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    }
    if (window_ == nullptr) return false;
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0) handle_x_failures();
    SDL_ShowCursor(cursor_visible_ ? SDL_ENABLE : SDL_DISABLE);
    return true;
}

void SdlHost::choose_presentation() {
    if (gpu_wanted()) {
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (renderer_ != nullptr && (gpu_forced() || !software_rasterizer(renderer_))) return;
        if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    // On Wayland, buffers of shared memory on SDL's own surface.
    SDL_SysWMinfo info;
    if (window_system_info(window_, SDL_SYSWM_WAYLAND, info)) {
        wayland_ = WaylandPixels::attach(info.info.wl.display, info.info.wl.surface);
        if (wayland_ != nullptr) return;
    }
    // The window's own pixels, shown by the window system; SDL would
    // otherwise back them with a renderer of its own.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Scaling into the window's pixels needs 32-bit pixels with 8-bit channels.
    const SDL_Surface* surface = SDL_GetWindowSurface(window_);
    const SDL_PixelFormat* format = surface != nullptr ? surface->format : nullptr;
    const bool usable = format != nullptr && format->BytesPerPixel == 4 && format->Rmask == (0xFFu << format->Rshift) &&
                        format->Gmask == (0xFFu << format->Gshift) && format->Bmask == (0xFFu << format->Bshift);
    if (!usable) renderer_ = SDL_CreateRenderer(window_, -1, 0);
}

bool SdlHost::set_mode(int width, int height, int bits) {
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (window_ == nullptr && !create_window(width, height)) return false;
    if (!presentation_chosen_) choose_presentation();
    presentation_chosen_ = true;
    width_ = width;
    height_ = height;
    bits_ = bits;
    return true;
}

void SdlHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                      const PALETTEENTRY* palette) {
    if (window_ == nullptr || width != width_ || height != height_) return;
    // A frame's interval is taken when the program hands it over, so that it
    // measures the program's pacing; the drawing below is the display's.
    const std::uint64_t handed = SDL_GetPerformanceCounter();
    if (renderer_ != nullptr) {
        // The page is scaled by the one rule into an image at the window's
        // pixels, whose changed rectangles go to a texture of that size, drawn
        // one to one: the renderer never samples the page.
        int out_width = 0, out_height = 0;
        SDL_GetRendererOutputSize(renderer_, &out_width, &out_height);
        if (texture_ == nullptr || out_width != texture_width_ || out_height != texture_height_) {
            if (texture_ != nullptr) SDL_DestroyTexture(texture_);
            texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, out_width,
                                         out_height);
            texture_width_ = out_width;
            texture_height_ = out_height;
            std::vector<std::uint32_t> fresh(static_cast<std::size_t>(out_width) *
                                             static_cast<std::size_t>(out_height));
            texture_pixels_.swap(fresh);  // new pixels: the scaler draws them all
        }
        if (texture_ == nullptr) return;
        auto* image = reinterpret_cast<std::uint8_t*>(texture_pixels_.data());
        const WindowChanges changes = scaler_.update(pixels, pitch, width, height, bits, palette, image, out_width * 4,
                                                     out_width, out_height, PixelLayout{});
        if (changes.all) SDL_UpdateTexture(texture_, nullptr, image, out_width * 4);
        for (const PageArea& area : changes.areas) {
            const SDL_Rect rect{area.x, area.y, area.width, area.height};
            SDL_UpdateTexture(texture_, &rect, image + (static_cast<std::size_t>(area.y) * out_width + area.x) * 4,
                              out_width * 4);
        }
        if (!changes.none()) show_again();
    } else if (wayland_ != nullptr) {
        int out_width = 0, out_height = 0, window_width = 0, window_height = 0;
        SDL_GetWindowSizeInPixels(window_, &out_width, &out_height);
        SDL_GetWindowSize(window_, &window_width, &window_height);
        const int scale = window_width > 0 ? std::max(1, out_width / window_width) : 1;
        std::uint8_t* image = wayland_->image(out_width, out_height, scale);
        if (image == nullptr) return;
        const WindowChanges changes = scaler_.update(pixels, pitch, width, height, bits, palette, image,
                                                     wayland_->pitch(), out_width, out_height, PixelLayout{});
        wayland_->show(changes.all, changes.areas);
    } else if (SDL_Surface* surface = SDL_GetWindowSurface(window_); surface != nullptr) {
        const SDL_PixelFormat& format = *surface->format;
        const PixelLayout layout{format.Rshift, format.Gshift, format.Bshift, format.Amask};
        if (SDL_LockSurface(surface) == 0) {
            const WindowChanges changes =
                scaler_.update(pixels, pitch, width, height, bits, palette, static_cast<std::uint8_t*>(surface->pixels),
                               surface->pitch, surface->w, surface->h, layout);
            SDL_UnlockSurface(surface);
            drawn_width_ = surface->w;
            drawn_height_ = surface->h;
            surface_renewed_ = false;
            if (changes.all) {
                SDL_UpdateWindowSurface(window_);
            } else if (!changes.areas.empty()) {
                rects_.clear();
                for (const PageArea& area : changes.areas)
                    rects_.push_back(SDL_Rect{area.x, area.y, area.width, area.height});
                SDL_UpdateWindowSurfaceRects(window_, rects_.data(), static_cast<int>(rects_.size()));
            }
        }
    }
    if (record_intervals_) {
        const double frequency = static_cast<double>(SDL_GetPerformanceFrequency());
        if (last_present_ != 0) intervals_.push_back(static_cast<double>(handed - last_present_) * 1000.0 / frequency);
        drawing_ms_ =
            std::max(drawing_ms_, static_cast<double>(SDL_GetPerformanceCounter() - handed) * 1000.0 / frequency);
        last_present_ = handed;
    }
}

void SdlHost::show_again() {
    if (wayland_ != nullptr) {
        wayland_->show(true, {});
        return;
    }
    if (renderer_ != nullptr) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        if (texture_ != nullptr) SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_RenderPresent(renderer_);
        return;
    }
    // The window's pixels are ours and still right, unless SDL has made its
    // surface anew since (a change of size, also one undone, as hiding and
    // showing a full-screen window does): then the last page is drawn into
    // the new one, so that a paused program's window is whole too.
    if (!surface_renewed_ && drawn_width_ > 0) {
        SDL_UpdateWindowSurface(window_);
        return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(window_);
    if (surface == nullptr || SDL_LockSurface(surface) != 0) return;
    const SDL_PixelFormat& format = *surface->format;
    const bool drawn =
        scaler_.draw_kept(static_cast<std::uint8_t*>(surface->pixels), surface->pitch, surface->w, surface->h,
                          PixelLayout{format.Rshift, format.Gshift, format.Bshift, format.Amask});
    SDL_UnlockSurface(surface);
    if (!drawn) return;
    drawn_width_ = surface->w;
    drawn_height_ = surface->h;
    surface_renewed_ = false;
    SDL_UpdateWindowSurface(window_);
}

// A compositor may take a full-screen window out of full screen when
// another window is given the focus (sway does, for a window given it by a
// command or a click); given the focus back, it covers its display again.
void SdlHost::cover_the_display_again() {
    const int display = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect bounds{};
    int width = 0, height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0 || (width >= bounds.w && height >= bounds.h)) {
        return;
    }
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SdlHost::deactivate(HostEvents& events) {
    // As an exclusive display would, going away takes the surfaces with it.
    lose_surfaces();
    set_display_available(false);
    last_present_ = 0;  // the pause is no frame interval
    events.activate(false);
}

void SdlHost::deliver(const SDL_Event& event, HostEvents& events) {
    using Placement = WindowPlacement::Kind;
    const Placement placement = placement_.kind;
    switch (event.type) {
        case SDL_KEYDOWN:
            // A screensaver's keys are xscreensaver's: it ends the hack itself.
            if (placement == Placement::foreign) break;
            if (const int key = virtual_key(event.key.keysym.sym); key != 0) events.key_down(key);
            break;
        case SDL_SYSWMEVENT:
            if (placement == Placement::foreign && destroys(event, foreign_window_)) given_window_gone();
            break;
        case SDL_QUIT:  // also SIGTERM and SIGINT, posted by the thread that takes them
            if (wayland_connection_failed(window_)) {
                // As with a lost X display: nothing can be shown again, and
                // closing the window would only talk to the dead connection.
                say("nightwick: the connection to the Wayland compositor was lost\n");
                ::_exit(1);
            }
            events.close();
            break;
        case SDL_WINDOWEVENT: {
            const auto what = event.window.event;
            // What the window shows can no longer be trusted: the next page
            // is drawn whole, and an uncovered window is shown again at once,
            // also while the program is paused and draws nothing.
            if (what == SDL_WINDOWEVENT_SIZE_CHANGED) surface_renewed_ = true;
            if (what == SDL_WINDOWEVENT_SIZE_CHANGED || what == SDL_WINDOWEVENT_RESTORED ||
                what == SDL_WINDOWEVENT_SHOWN || what == SDL_WINDOWEVENT_EXPOSED) {
                scaler_.redraw_all();
                if (what == SDL_WINDOWEVENT_EXPOSED && window_ != nullptr && presentation_chosen_) show_again();
            }
            if (what == SDL_WINDOWEVENT_CLOSE) {
                events.close();
            } else if (placement == Placement::fullscreen && what == SDL_WINDOWEVENT_FOCUS_LOST) {
                deactivate(events);
            } else if (placement == Placement::fullscreen && what == SDL_WINDOWEVENT_FOCUS_GAINED) {
                cover_the_display_again();
                set_display_available(true);
                events.activate(true);
            } else if (placement == Placement::window && what == SDL_WINDOWEVENT_MINIMIZED && !minimized_) {
                // A window keeps running without the focus; nobody sees a minimized one.
                minimized_ = true;
                deactivate(events);
            } else if (placement == Placement::window && what == SDL_WINDOWEVENT_RESTORED && minimized_) {
                minimized_ = false;
                set_display_available(true);
                events.activate(true);
            }
            break;
        }
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
    // A screensaver shows no dialogs: nobody is there to close them.
    if (placement_.kind != WindowPlacement::Kind::foreign) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, window_);
    }
    return IDOK;
}

void SdlHost::show_cursor(bool visible) {
    // The pointer over a screensaver is xscreensaver's.
    if (placement_.kind == WindowPlacement::Kind::foreign) return;
    cursor_visible_ = visible;
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

}  // namespace platform
