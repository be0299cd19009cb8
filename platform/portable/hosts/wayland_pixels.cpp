// Shared-memory buffers for a Wayland surface that SDL made and keeps: SDL
// goes on handling the window and its input, and these give it pixels.
#include "wayland_pixels.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace platform {
namespace {

// Past this many areas, one covering all is cheaper to track and to copy.
constexpr std::size_t most_areas = 16;

void add_area(std::vector<PageArea>& areas, bool& all, const PageArea& area) {
    if (all) return;
    if (areas.size() >= most_areas) {
        all = true;
        areas.clear();
        return;
    }
    areas.push_back(area);
}

void announced(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
    auto** shm = static_cast<wl_shm**>(data);
    if (*shm == nullptr && std::strcmp(interface, wl_shm_interface.name) == 0) {
        *shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    }
}

void forgotten(void*, wl_registry*, std::uint32_t) {}

}  // namespace

std::unique_ptr<WaylandPixels> WaylandPixels::attach(wl_display* display, wl_surface* surface) {
    if (display == nullptr || surface == nullptr) return nullptr;
    std::unique_ptr<WaylandPixels> pixels(new WaylandPixels(display, surface));
    // Events of our own objects go to a queue of our own, which SDL's
    // dispatching leaves alone.
    pixels->queue_ = wl_display_create_queue(display);
    auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    if (pixels->queue_ == nullptr || wrapped == nullptr) return nullptr;
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), pixels->queue_);
    wl_registry* registry = wl_display_get_registry(wrapped);
    wl_proxy_wrapper_destroy(wrapped);
    static const wl_registry_listener listener{announced, forgotten};
    wl_registry_add_listener(registry, &listener, &pixels->shm_);
    wl_display_roundtrip_queue(display, pixels->queue_);
    wl_registry_destroy(registry);
    if (pixels->shm_ == nullptr) return nullptr;
    return pixels;
}

WaylandPixels::~WaylandPixels() {
    release_buffers();
    if (shm_ != nullptr) wl_shm_destroy(shm_);
    if (queue_ != nullptr) wl_event_queue_destroy(queue_);
}

void WaylandPixels::released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }

void WaylandPixels::release_buffers() {
    for (Buffer& buffer : buffers_) {
        if (buffer.buffer != nullptr) wl_buffer_destroy(buffer.buffer);
        buffer = Buffer{};
    }
    if (mapped_ != nullptr) munmap(mapped_, mapped_size_);
    mapped_ = nullptr;
    mapped_size_ = 0;
}

std::uint8_t* WaylandPixels::image(int width, int height, int scale) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    if (width == width_ && height == height_ && scale == scale_ && mapped_ != nullptr) {
        return reinterpret_cast<std::uint8_t*>(image_.data());
    }
    release_buffers();
    width_ = width;
    height_ = height;
    scale_ = std::max(1, scale);
    // A new vector, made before the old one goes: the scaler sees new pixels.
    std::vector<std::uint32_t> fresh(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    image_.swap(fresh);
    const std::size_t size = image_.size() * 4;
    const int fd = memfd_create("nightwick", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    void* mapped = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(2 * size)) == 0) {
        mapped = mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (mapped == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    mapped_ = static_cast<std::uint8_t*>(mapped);
    mapped_size_ = 2 * size;
    wl_shm_pool* pool = wl_shm_create_pool(shm_, fd, static_cast<std::int32_t>(2 * size));
    static const wl_buffer_listener listener{released};
    for (std::size_t i = 0; i < 2; ++i) {
        Buffer& buffer = buffers_[i];
        buffer.buffer = wl_shm_pool_create_buffer(pool, static_cast<std::int32_t>(i * size), width, height, width * 4,
                                                  WL_SHM_FORMAT_XRGB8888);
        buffer.pixels = mapped_ + i * size;
        wl_buffer_add_listener(buffer.buffer, &listener, &buffer);
    }
    wl_shm_pool_destroy(pool);
    close(fd);
    damage_all_ = true;
    damage_.clear();
    return reinterpret_cast<std::uint8_t*>(image_.data());
}

void WaylandPixels::show(bool all, const std::vector<PageArea>& areas) {
    if (mapped_ == nullptr) return;
    for (Buffer& buffer : buffers_) {
        if (all) {
            buffer.all_stale = true;
            buffer.stale.clear();
        }
        for (const PageArea& area : areas) add_area(buffer.stale, buffer.all_stale, area);
    }
    if (all) {
        damage_all_ = true;
        damage_.clear();
    }
    for (const PageArea& area : areas) add_area(damage_, damage_all_, area);
    if (!damage_all_ && damage_.empty()) return;  // the surface shows the image already
    // Releases SDL's reading of the connection has queued for us.
    wl_display_dispatch_queue_pending(display_, queue_);
    const auto free = std::find_if(std::begin(buffers_), std::end(buffers_), [](const Buffer& b) { return !b.busy; });
    if (free == std::end(buffers_)) return;  // the compositor holds both: the next frame brings this one's changes
    const auto* image = reinterpret_cast<const std::uint8_t*>(image_.data());
    if (free->all_stale) {
        std::memcpy(free->pixels, image, image_.size() * 4);
    } else {
        for (const PageArea& area : free->stale) {
            for (int y = area.y; y < area.y + area.height; ++y) {
                const std::size_t at = (static_cast<std::size_t>(y) * width_ + area.x) * 4;
                std::memcpy(free->pixels + at, image + at, static_cast<std::size_t>(area.width) * 4);
            }
        }
    }
    free->all_stale = false;
    free->stale.clear();
    wl_surface_set_buffer_scale(surface_, scale_);
    wl_surface_attach(surface_, free->buffer, 0, 0);
    // Damage in buffer pixels came with version 4 of the surface.
    const bool in_buffer_pixels = wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface_)) >= 4;
    if (damage_all_ || !in_buffer_pixels) {
        wl_surface_damage(surface_, 0, 0, INT32_MAX, INT32_MAX);
    } else {
        for (const PageArea& area : damage_)
            wl_surface_damage_buffer(surface_, area.x, area.y, area.width, area.height);
    }
    wl_surface_commit(surface_);
    free->busy = true;
    damage_all_ = false;
    damage_.clear();
    wl_display_flush(display_);
}

}  // namespace platform
