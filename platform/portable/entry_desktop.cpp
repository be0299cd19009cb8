// The process entry of the desktop program: the SDL2 host when a display can
// be opened, otherwise a host without a display, on which the program's mode
// change fails as it would on a machine without DirectDraw.
#include "../win32.h"
#include "control.h"
#include "host_sdl.h"

int main() {
    // A desktop run lasts as long as the user likes: keep no call log.
    platform::set_call_logging(false);
    if (auto desktop = platform::SdlHost::open()) {
        platform::set_host(std::move(desktop));
    } else {
        platform::set_host(std::make_unique<platform::HeadlessHost>(false));
    }
    static char empty_command_line[] = "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x00400000));
    const int code = WinMain(instance, nullptr, empty_command_line, SW_SHOWNORMAL);
    platform::set_host(nullptr);  // closes the window before the process ends
    return code;
}
