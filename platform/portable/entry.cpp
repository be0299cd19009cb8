// The process entry on systems other than Windows: the program's WinMain,
// given what Windows would pass a program started without a command line.
#include "../win32.h"

int main() {
    static char empty_command_line[] = "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x00400000));
    return WinMain(instance, nullptr, empty_command_line, SW_SHOWNORMAL);
}
