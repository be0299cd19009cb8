// Where the Windows programs' modules come from. The program's own folder
// may be Downloads, and whatever lies there is not the program's: every
// module is taken from the system folder alone, save DirectDraw, which the
// classic program takes from beside itself first (people put wrappers
// there).
#pragma once

#include <windows.h>

namespace nightwick {

// From now on every load by name, the system's own on the program's behalf
// included, searches the system folder only, where Windows knows how (7
// with its update, and later).
bool search_system_folder_only();
HMODULE load_from_system_folder(LPCSTR name);
// The program's folder, then the system folder; never the working folder.
HMODULE load_beside_program_or_system(LPCSTR name);
// WINMM's timer resolution, taken or given back; false when it could not be.
bool change_timer_resolution(unsigned period, bool take);

}  // namespace nightwick
