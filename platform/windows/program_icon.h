// The program's own icon (resource 1) for its window class, in the taskbar
// and in Alt+Tab, in place of the system's generic one.
#pragma once

#include <windows.h>

namespace nightwick {

inline void use_program_icon(WNDCLASSEXA& window_class) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    if (HICON icon = LoadIconA(self, MAKEINTRESOURCEA(1))) window_class.hIcon = icon;
    if (HANDLE small_icon = LoadImageA(self, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)) {
        window_class.hIconSm = static_cast<HICON>(small_icon);
    }
}

}  // namespace nightwick
