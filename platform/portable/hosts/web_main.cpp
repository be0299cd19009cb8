// The process entry in the browser: the program on the web host; when it
// ends, the page is told so.
#include "../../win32.h"
#include "../control/control.h"
#include "web.h"

extern "C" void nightwick_web_ended(int code);

int main() {
    // A run in the browser lasts as long as the user likes: keep no call log.
    platform::set_call_logging(false);
    platform::set_host(std::make_unique<platform::WebHost>());
    static char empty_command_line[] = "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x00400000));
    const int code = WinMain(instance, nullptr, empty_command_line, SW_SHOWNORMAL);
    platform::set_host(nullptr);  // lets go of the page's keys and canvas
    nightwick_web_ended(code);
    return code;
}
