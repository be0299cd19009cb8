// A window's pixels shown on a Wayland surface through shared memory: no
// graphics driver is loaded, and the compositor is given only what changed.
// The page scaler draws into one window image; each present copies what a
// buffer lacks into a free one of two, attaches it with the changed areas
// as damage, and commits. A frame for which the compositor still holds
// both buffers is not shown; its changes go with the next.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "page_changes.h"

struct wl_display;
struct wl_surface;
struct wl_shm;
struct wl_event_queue;
struct wl_buffer;

namespace platform {

class WaylandPixels {
public:
    // Null when the compositor offers no shared memory.
    static std::unique_ptr<WaylandPixels> attach(wl_display* display, wl_surface* surface);
    ~WaylandPixels();
    WaylandPixels(const WaylandPixels&) = delete;
    WaylandPixels& operator=(const WaylandPixels&) = delete;

    // The window image, `width` x `height` pixels of 32 bits (x, red, green,
    // blue from the highest byte) `pitch()` bytes apart, at `scale` buffer
    // pixels to a surface unit. Another size makes it and the buffers anew.
    // Null when no memory could be had.
    std::uint8_t* image(int width, int height, int scale);
    int pitch() const { return width_ * 4; }
    // Hands the image to the compositor: all of it, or the changed areas.
    void show(bool all, const std::vector<PageArea>& areas);

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint8_t* pixels = nullptr;
        bool busy = false;
        bool all_stale = true;
        std::vector<PageArea> stale;  // what it lacks of the image
    };
    WaylandPixels(wl_display* display, wl_surface* surface) : display_(display), surface_(surface) {}
    void release_buffers();
    static void released(void* data, wl_buffer* buffer);

    wl_display* display_;
    wl_surface* surface_;
    wl_event_queue* queue_ = nullptr;
    wl_shm* shm_ = nullptr;
    int width_ = 0, height_ = 0, scale_ = 1;
    std::vector<std::uint32_t> image_;
    Buffer buffers_[2];
    std::uint8_t* mapped_ = nullptr;
    std::size_t mapped_size_ = 0;
    bool damage_all_ = true;
    std::vector<PageArea> damage_;  // since the last commit
};

}  // namespace platform
