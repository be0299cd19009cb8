// Shared plumbing of the portable platform: the call log, injected failures
// and the reset hooks of each module.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

#include "../win32.h"

namespace platform::detail {

std::string num(std::int64_t value);
std::string hex(std::uint64_t value);
std::string ptr(const void* pointer);
std::string str(const char* text);
std::string flt(double value);

// Logs the call and reports whether a failure was injected for it; when it
// was, `forced` holds the result the call must return.
bool enter(std::string_view name, std::initializer_list<std::string> args, std::int64_t& forced);

// Calls on objects that no longer exist, or releases past zero.
void note_misuse(std::string_view what);

void reset_log();
void reset_kernel32();
void reset_timing();
void reset_user32();
void reset_gdi32();
void reset_ddraw();

// Modules export tables: "DDRAW.DLL" registers its entry points here.
FARPROC ddraw_export(std::string_view name);

// USER32 state the other modules and hosts need.
bool app_is_active();
void deliver_activation(bool active);
void deliver_key(int virtual_key);
void deliver_close();
bool is_window(HWND window);

// GDI's desktop depth, which a windowed primary surface takes.
int desktop_depth();

}  // namespace platform::detail

// Helper for returning an injected result as the function's own type.
template <typename T>
T forced_as(std::int64_t value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<std::intptr_t>(value));
    } else {
        return static_cast<T>(value);
    }
}
