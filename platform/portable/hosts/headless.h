// The headless host: the shown page lives in memory, input comes from a
// script keyed to the number of pages shown. It is the platform's default
// host, and the one a reset installs.
#pragma once

#include <cstdint>
#include <vector>

#include "../control/host.h"

namespace platform {

// Scripted input for the headless host: it fires once the host has shown
// `frame` pages (0: at the first chance).
struct ScriptedInput {
    enum class Kind { key, activate, close, lose };
    int frame = 0;
    Kind kind = Kind::key;
    int value = 0;  // virtual key, or 1 / 0 for activation
    int polls = 0;  // further polls of the queue to wait once the frame is reached
};

class HeadlessHost : public Host {
public:
    explicit HeadlessHost(bool display = true) : display_(display) {}

    void script(const ScriptedInput& input) { script_.push_back(input); }
    void key_at(int frame, int virtual_key) { script({frame, ScriptedInput::Kind::key, virtual_key}); }
    // Losing the activation also takes the display away, as from an
    // exclusive display: every surface is lost until the program restores it.
    void activate_at(int frame, bool active, int polls = 0) {
        script({frame, ScriptedInput::Kind::activate, active ? 1 : 0, polls});
    }

    // Surfaces lost while the program stays active, as when another program
    // changes the display mode for a moment.
    void lose_at(int frame) { script({frame, ScriptedInput::Kind::lose, 0}); }

    bool has_display() const override { return display_; }
    bool set_mode(int width, int height, int bits) override;
    // The shown page is kept by reference, as a display scans out the front
    // page: it is copied only when asked for, or before its memory changes.
    void present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                 const PALETTEENTRY* palette) override;
    void page_changing(const std::uint8_t* pixels) override;
    void pump(HostEvents& events) override;
    // Nothing arrives between scripted inputs: a wait plays the next one at
    // once, and with the script played out it closes the window, as a
    // program waiting for input nobody will give must end somehow.
    void wait(HostEvents& events) override;
    int message_box(HWND owner, const char* text, const char* caption, UINT type) override;
    // The headless clock is virtual: it moves only when the program sleeps or
    // a test advances it, so runs are unpaced and the same every time.
    std::uint64_t clock_ns() const override { return clock_ns_; }
    void sleep(std::uint32_t milliseconds) override { clock_ns_ += std::uint64_t{milliseconds} * 1'000'000u; }
    void advance_clock(std::uint64_t nanoseconds) { clock_ns_ += nanoseconds; }

    // Pages shown so far.
    int frames() const { return frames_; }
    int mode_width() const { return width_; }
    int mode_height() const { return height_; }
    int mode_bits() const { return bits_; }
    // The last shown page, packed rows (width x bytes per pixel), and its palette.
    const std::vector<std::uint8_t>& page() const;
    const std::vector<PALETTEENTRY>& page_palette() const { return palette_; }
    // Called after every present, for tools that record frames.
    void on_present(void (*callback)(const HeadlessHost& host, void* context), void* context) {
        callback_ = callback;
        callback_context_ = context;
    }

private:
    bool display_;
    std::vector<ScriptedInput> script_;
    std::size_t next_ = 0;
    int waited_ = 0;
    int frames_ = 0;
    int width_ = 0, height_ = 0, bits_ = 0;
    std::uint64_t clock_ns_ = 1'000'000'000u;
    const std::uint8_t* shown_ = nullptr;  // the shown page's memory, until it is copied
    int shown_pitch_ = 0;
    mutable bool packed_ = false;  // page_ holds the shown page
    mutable std::vector<std::uint8_t> page_;
    std::vector<PALETTEENTRY> palette_;
    void (*callback_)(const HeadlessHost&, void*) = nullptr;
    void* callback_context_ = nullptr;
};

HeadlessHost* headless_host();  // null when another host is installed

}  // namespace platform
