// The process entry of the desktop program: its options, the folder of its
// pictures, and the SDL2 host when a display can be opened, otherwise a host
// without a display, on which the program's mode change fails as it would
// on a machine without DirectDraw.
#include <cstdio>
#include <cstdlib>

#include "../portable/control/control.h"
#include "../portable/hosts/headless.h"
#include "../portable/hosts/sdl.h"
#include "../win32.h"
#include "desktop_options.h"
#include "picture_folder.h"

int main(int argc, char** argv) {
    using Action = platform::DesktopOptions::Action;
    const platform::DesktopOptions options =
        platform::parse_desktop_options(argc, argv, std::getenv("XSCREENSAVER_WINDOW"));
    switch (options.action) {
        case Action::help:
            std::fputs(platform::desktop_usage, stdout);
            return 0;
        case Action::version:
            std::printf("nightwick %s\n", NIGHTWICK_VERSION);
            return 0;
        case Action::error:
            std::fprintf(stderr, "nightwick: %s\n%s", options.error.c_str(), platform::desktop_usage);
            return 2;
        case Action::run:
            break;
    }
    platform::enter_picture_folder("nightwick", platform::picture_folder_candidates());
    // A desktop run lasts as long as the user likes: keep no call log.
    platform::set_call_logging(false);
    std::string why;
    if (auto desktop = platform::SdlHost::open(options.window(), why)) {
        platform::set_host(std::move(desktop));
    } else if (options.placement == platform::DesktopOptions::Placement::foreign) {
        // A screensaver without its window has nothing to draw into.
        std::fprintf(stderr, "nightwick: %s\n", why.c_str());
        return 1;
    } else {
        std::fprintf(stderr, "nightwick: cannot open a display (%s)\n", why.c_str());
        platform::set_host(std::make_unique<platform::HeadlessHost>(false));
    }
    static char empty_command_line[] = "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x00400000));
    const int code = WinMain(instance, nullptr, empty_command_line, SW_SHOWNORMAL);
    platform::set_host(nullptr);  // closes the window before the process ends
    return code;
}
