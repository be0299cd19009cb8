// What USER32 and GDI32 tell the other modules of the portable platform.
#pragma once

#include "../../win32.h"

namespace platform::detail {

bool is_window(HWND window);
// GDI's desktop depth, which a windowed primary surface takes.
int desktop_depth();

}  // namespace platform::detail
