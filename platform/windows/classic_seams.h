// Where the classic program's calls to the system pass first (the build
// puts this header before every source of the classic program). It keeps
// the system's DirectDraw and its own behaviour; around them:
// - modules: every one comes from the system folder only, save DDRAW.DLL,
//   which is still found beside the program first (a wrapper put there on
//   purpose); WINMM is not imported but reached the same way;
// - the fine timer resolution, and the display kept awake, are held only
//   while the program is active and drawing;
// - before its window exists it looks at its pictures, and one it cannot
//   show is said in a box and ends it, before the display changes mode;
// - a window that cannot be made ends the process;
// - its window has the program's own icon.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// clang-format off
#include <windows.h>
#include <mmsystem.h>
// clang-format on

HMODULE WINAPI nightwick_classic_load_library(LPCSTR name);
UINT WINAPI nightwick_classic_time_begin_period(UINT period);
UINT WINAPI nightwick_classic_time_end_period(UINT period);
ATOM WINAPI nightwick_classic_register_class(const WNDCLASSEXA* window_class);
HWND WINAPI nightwick_classic_create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                            LPVOID param);

#ifndef NIGHTWICK_SEAMS
#undef LoadLibrary
#undef CreateWindowEx
#undef RegisterClassEx
#define LoadLibraryA nightwick_classic_load_library
#define timeBeginPeriod nightwick_classic_time_begin_period
#define timeEndPeriod nightwick_classic_time_end_period
#define RegisterClassExA nightwick_classic_register_class
#define CreateWindowExA nightwick_classic_create_window
#endif
