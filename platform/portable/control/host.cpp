// The host slot, and the real clock and sleep that hosts share.
#include "host.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace platform {
namespace {

std::unique_ptr<Host> (*make_default)() = nullptr;

std::unique_ptr<Host>& current() {
    static std::unique_ptr<Host> installed;
    return installed;
}

}  // namespace

std::uint64_t Host::clock_ns() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

void Host::sleep(std::uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

Host& host() {
    std::unique_ptr<Host>& installed = current();
    if (!installed) {
        if (make_default == nullptr) {
            std::fputs("portable platform: no host installed and no default host linked\n", stderr);
            std::abort();
        }
        installed = make_default();
    }
    return *installed;
}

void set_host(std::unique_ptr<Host> host) { current() = std::move(host); }

void set_default_host(std::unique_ptr<Host> (*make)()) { make_default = make; }

}  // namespace platform
