// The process entry of the desktop program: its options, the folder of its
// pictures, and the SDL2 host; without a display it says why and ends.
#include <cstdio>
#include <cstdlib>

#include "../portable/control/control.h"
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
        case Action::bad_environment:
            std::fprintf(stderr, "nightwick: %s\n", options.error.c_str());
            return 1;
        case Action::run:
            break;
    }
    // A desktop run lasts as long as the user likes: keep no call log.
    platform::set_call_logging(false);
    std::string why;
    auto desktop = platform::SdlHost::open(options.window(), why);
    if (desktop == nullptr) {
        // Nothing would be seen: a launcher or a session script hears so.
        std::fprintf(stderr, "nightwick: %s\n", why.c_str());
        return 1;
    }
    platform::enter_picture_folder("nightwick", platform::picture_folder_candidates());
    platform::set_host(std::move(desktop));
    static char empty_command_line[] = "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x00400000));
    const int code = WinMain(instance, nullptr, empty_command_line, SW_SHOWNORMAL);
    platform::set_host(nullptr);  // closes the window before the process ends
    return code;
}
