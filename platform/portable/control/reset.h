// Putting the platform back to its start: each module that keeps state
// registers how to reset itself, so the reset reaches every module linked
// into the program without knowing any of them.
#pragma once

namespace platform::detail {

// The order in which modules are reset: DirectDraw first, since its objects
// may refer to windows and memory, the host last.
enum class ResetOrder { directx, user32, gdi32, kernel32, timing, call_log, host, count };

// Registers a module's reset; made at start-up by a namespace-scope object.
struct ResetHook {
    ResetHook(ResetOrder order, void (*reset)());
};

}  // namespace platform::detail
