// A plain X window for a test to hand to a program, as xscreensaver hands
// its hacks one. Usage: plain_window WIDTH HEIGHT
// Prints the window's id once it is mapped, then keeps it until killed.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "plain_window: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(std::atoi(argv[1])),
                            static_cast<unsigned>(std::atoi(argv[2])), 0, 0, WhitePixel(display, screen));
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    for (XEvent event;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify) break;
    }
    std::printf("%lu\n", window);
    std::fflush(stdout);
    for (XEvent event;;) XNextEvent(display, &event);
}
