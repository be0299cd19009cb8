// Prints how long the X server has seen no input, in milliseconds, and
// whether its screen saver is on, off or disabled: what its screen saver
// and its power saving go by. Usage: idle_time [TIMEOUT_SECONDS]
// With a timeout, the server's screen saver is first set to start after it.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "idle_time: cannot open the display\n");
        return 1;
    }
    int event_base = 0, error_base = 0;
    if (!XScreenSaverQueryExtension(display, &event_base, &error_base)) {
        std::fprintf(stderr, "idle_time: the X server has no screen saver extension\n");
        return 1;
    }
    if (argc > 1) XSetScreenSaver(display, std::atoi(argv[1]), 0, DontPreferBlanking, AllowExposures);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr || XScreenSaverQueryInfo(display, DefaultRootWindow(display), info) == 0) {
        std::fprintf(stderr, "idle_time: the X server gives no idle time\n");
        return 1;
    }
    const char* state = info->state == ScreenSaverOn ? "on" : info->state == ScreenSaverOff ? "off" : "disabled";
    std::printf("%lu %s\n", info->idle, state);
    XFree(info);
    XCloseDisplay(display);
    return 0;
}
