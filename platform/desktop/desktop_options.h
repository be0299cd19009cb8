// The desktop program's command line. On Windows the program takes none;
// on a desktop it can run in a window, and as an xscreensaver hack it draws
// into the window it is given.
#pragma once

#include <string>

#include "../portable/hosts/window_placement.h"

namespace platform {

struct DesktopOptions {
    enum class Action { run, help, version, error, bad_environment };
    using Placement = WindowPlacement::Kind;
    Action action = Action::run;
    Placement placement = Placement::fullscreen;
    unsigned long window_id = 0;  // the foreign X window; 0 with `root`
    bool root = false;            // the root window, when no screensaver window is named

    WindowPlacement window() const { return {placement, window_id, root}; }
    std::string error;
};

// `screensaver_window` is XSCREENSAVER_WINDOW, which names the window a
// hack started with --root draws into (null when unset).
DesktopOptions parse_desktop_options(int argc, const char* const* argv, const char* screensaver_window);

extern const char* const desktop_usage;

}  // namespace platform
