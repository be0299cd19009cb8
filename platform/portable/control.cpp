// Resetting the whole portable platform and choosing its host.
#include "control.h"

#include <chrono>
#include <thread>

#include "host.h"
#include "internal.h"

namespace platform {
namespace {

std::unique_ptr<Host>& current() {
    static std::unique_ptr<Host> host = std::make_unique<HeadlessHost>();
    return host;
}

}  // namespace

std::uint64_t Host::clock_ns() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

void Host::sleep(std::uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

Host& host() { return *current(); }

HeadlessHost* headless_host() { return dynamic_cast<HeadlessHost*>(current().get()); }

void set_host(std::unique_ptr<Host> host) { current() = host ? std::move(host) : std::make_unique<HeadlessHost>(); }

void reset() {
    // DirectDraw first: its objects may refer to windows and memory.
    detail::reset_ddraw();
    detail::reset_user32();
    detail::reset_gdi32();
    detail::reset_kernel32();
    detail::reset_timing();
    detail::reset_log();
    current() = std::make_unique<HeadlessHost>();
}

}  // namespace platform
