// The host slot, and the real clock and sleep that hosts share.
#include "host.h"

#include <cstdio>
#include <cstdlib>
#ifndef _WIN32
#include <chrono>
#include <thread>
#endif

namespace platform {
namespace {

std::unique_ptr<Host> (*make_default)() = nullptr;

std::unique_ptr<Host>& current() {
    static std::unique_ptr<Host> installed;
    return installed;
}

}  // namespace

#ifdef _WIN32
// Windows' own counter and Sleep: the threads of its C++ runtime may not be
// there.
std::uint64_t Host::clock_ns() const {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const auto seconds = static_cast<std::uint64_t>(count.QuadPart / frequency.QuadPart);
    const auto rest = static_cast<std::uint64_t>(count.QuadPart % frequency.QuadPart);
    return seconds * 1'000'000'000u + rest * 1'000'000'000u / static_cast<std::uint64_t>(frequency.QuadPart);
}

void Host::sleep(std::uint32_t milliseconds) { Sleep(milliseconds); }
#else
std::uint64_t Host::clock_ns() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

void Host::sleep(std::uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
#endif

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
