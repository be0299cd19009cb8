// The program's icon: a mosquito in the lamp's glow against the night sky,
// painted at each size rather than scaled, and written as a Windows .ico
// and as PNG files for desktop menus.
#pragma once

#include <string>
#include <vector>

#include "tools/art/canvas.h"

void paint_icon(Canvas& canvas);

// One image per size: 32-bit bitmaps up to 64 pixels, which every Windows
// reads, and PNG above that.
bool write_ico(const std::string& path, const std::vector<int>& sizes);
