// Where a desktop host shows its pages: full screen, in a window of its own,
// or in a window another program gives it (an xscreensaver hack's).
#pragma once

namespace platform {

struct WindowPlacement {
    enum class Kind { fullscreen, window, foreign };
    Kind kind = Kind::fullscreen;
    unsigned long window_id = 0;  // the foreign X window; 0 with `root`
    bool root = false;            // the root window, when no screensaver window is named
};

}  // namespace platform
