// The headless host: the shown page lives in memory, input comes from a
// script keyed to the number of pages shown.
#include "headless.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "../control/control.h"
#include "../control/reset.h"

namespace platform {
namespace {

std::unique_ptr<Host> make_headless() { return std::make_unique<HeadlessHost>(); }

// The headless host is what a program runs on until it installs another,
// and what a reset puts back.
[[maybe_unused]] const bool registered = (set_default_host(make_headless), true);
const detail::ResetHook reset_host(detail::ResetOrder::host, [] { set_host(nullptr); });

}  // namespace

HeadlessHost* headless_host() { return dynamic_cast<HeadlessHost*>(&host()); }

bool HeadlessHost::set_mode(int width, int height, int bits) {
    if (!display_) return false;
    width_ = width;
    height_ = height;
    bits_ = bits;
    return true;
}

void HeadlessHost::present(const std::uint8_t* pixels, int pitch, int width, int height, int bits,
                           const PALETTEENTRY* palette) {
    shown_ = pixels;
    shown_pitch_ = pitch;
    packed_ = false;
    if (palette != nullptr) {
        palette_.assign(palette, palette + 256);
    } else {
        palette_.clear();
    }
    width_ = width;
    height_ = height;
    bits_ = bits;
    ++frames_;
    if (callback_ != nullptr) callback_(*this, callback_context_);
}

const std::vector<std::uint8_t>& HeadlessHost::page() const {
    if (shown_ != nullptr && !packed_) {
        packed_ = true;
        const int row = width_ * (bits_ / 8);
        page_.resize(static_cast<std::size_t>(row) * static_cast<std::size_t>(height_));
        for (int y = 0; y < height_; ++y) {
            std::memcpy(page_.data() + static_cast<std::size_t>(y) * row,
                        shown_ + static_cast<std::ptrdiff_t>(y) * shown_pitch_, static_cast<std::size_t>(row));
        }
    }
    return page_;
}

void HeadlessHost::page_changing(const std::uint8_t* pixels) {
    if (shown_ == nullptr || pixels != shown_) return;
    page();
    shown_ = nullptr;
}

void HeadlessHost::pump(HostEvents& events) {
    // Inputs fire in script order once their frame has been reached; one
    // handler may add more, so the index is re-read each time.
    while (next_ < script_.size() && script_[next_].frame <= frames_) {
        if (waited_ < script_[next_].polls) {
            ++waited_;
            return;
        }
        waited_ = 0;
        ScriptedInput input = script_[next_++];
        switch (input.kind) {
            case ScriptedInput::Kind::key:
                events.key_down(input.value);
                break;
            case ScriptedInput::Kind::activate:
                if (input.value == 0) {
                    lose_surfaces();
                    set_display_available(false);
                } else {
                    set_display_available(true);
                }
                events.activate(input.value != 0);
                break;
            case ScriptedInput::Kind::close:
                events.close();
                break;
            case ScriptedInput::Kind::lose:
                lose_surfaces();
                break;
        }
    }
}

void HeadlessHost::wait(HostEvents& events) {
    if (next_ >= script_.size()) {
        events.close();
        return;
    }
    // What the program waits for is the next scripted input, whatever its
    // frame: no page is shown while it waits.
    waited_ = script_[next_].polls;
    script_[next_].frame = std::min(script_[next_].frame, frames_);
    pump(events);
}

int HeadlessHost::message_box(HWND owner, const char* text, const char* caption, UINT type) {
    (void)owner;
    (void)type;
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return IDOK;
}

}  // namespace platform
