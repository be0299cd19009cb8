// The SDL2 desktop host.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "../control/host.h"
#include "page_scaler.h"
#include "window_placement.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;
struct SDL_Rect;

namespace platform {

class WaylandPixels;

class SdlHost : public Host {
public:
    // Null when no display can be had (no video driver, no X server), or
    // when the foreign window cannot be used; `why` then says what failed.
    static std::unique_ptr<SdlHost> open(const WindowPlacement& placement, std::string& why);
    ~SdlHost() override;

    bool has_display() const override { return true; }
    bool set_mode(int width, int height, int bits) override;
    void present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                 const PALETTEENTRY* palette) override;
    void pump(HostEvents& events) override;
    void wait(HostEvents& events) override;
    int message_box(HWND owner, const char* text, const char* caption, UINT type) override;
    void show_cursor(bool visible) override;

private:
    explicit SdlHost(const WindowPlacement& placement);
    bool create_window(int width, int height);
    void choose_presentation();
    void deliver(const SDL_Event& event, HostEvents& events);
    void deactivate(HostEvents& events);
    void cover_the_display_again();
    void report_frames() const;
    // Shows the last drawn page again, as it is.
    void show_again();

    WindowPlacement placement_;
    unsigned long foreign_window_ = 0;
    SDL_Window* window_ = nullptr;
    // With a graphics processor the renderer scales the page; without one
    // (a software rasterizer) the page is scaled straight into the window's
    // pixels, which costs a fraction of what a rasterizer does.
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int texture_width_ = 0, texture_height_ = 0;  // the window's pixels it holds
    // On Wayland without a graphics processor: shared-memory buffers.
    std::unique_ptr<WaylandPixels> wayland_;
    bool presentation_chosen_ = false;
    PageScaler scaler_;
    std::vector<std::uint32_t> texture_pixels_;  // the window image the texture holds
    std::vector<SDL_Rect> rects_;
    int drawn_width_ = 0, drawn_height_ = 0;  // of the window's pixels last drawn
    bool surface_renewed_ = false;            // SDL made the window surface anew since
    int width_ = 0, height_ = 0, bits_ = 0;
    bool cursor_visible_ = true;
    bool minimized_ = false;
    bool record_intervals_ = false;
    std::uint64_t last_present_ = 0;
    std::vector<double> intervals_;
    double drawing_ms_ = 0;
};

}  // namespace platform
