// Where the scaled Windows programs' calls to the system pass through the
// platform first. The program and the graphics layer are the same sources
// as everywhere; here some of their calls are answered differently:
// - modules: "DDRAW.DLL" is the built-in DirectDraw, and every other module
//   comes from the system folder only, never from the program's own folder
//   (a file left beside a screensaver in Downloads is not loaded);
// - the timer resolution the pacing asks for is held only while the program
//   runs (winmm, reached the same way);
// - windows: the program's window is watched from its first message (for
//   painting, display changes, activation and power); in a screensaver's
//   preview it is a child of the preview from its first moment, and the
//   cursor is left alone, and the window the program draws into is its own
//   child whatever control of the settings dialog has the focus (the two
//   processes' threads share one focus there); a window that cannot be made
//   ends the process, which has nothing to show and would wait for ever;
// - files: a picture not found in the folder is the one the executable
//   carries, so a screensaver is one file.
#pragma once

#include <windows.h>

HMODULE WINAPI nightwick_load_library(LPCSTR name);
FARPROC WINAPI nightwick_get_proc_address(HMODULE module, LPCSTR name);
BOOL WINAPI nightwick_free_library(HMODULE module);
UINT WINAPI nightwick_time_begin_period(UINT period);
UINT WINAPI nightwick_time_end_period(UINT period);
ATOM WINAPI nightwick_register_class(const WNDCLASSEXA* window_class);
HWND WINAPI nightwick_create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
int WINAPI nightwick_show_cursor(BOOL show);
HWND WINAPI nightwick_get_focus();
HANDLE WINAPI nightwick_create_file(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                    DWORD disposition, DWORD flags, HANDLE template_file);

#ifndef NIGHTWICK_SEAMS
#undef LoadLibrary
#undef GetProcAddress
#undef FreeLibrary
#undef CreateWindowEx
#undef RegisterClassEx
#undef CreateFile
#define LoadLibraryA nightwick_load_library
#define GetProcAddress nightwick_get_proc_address
#define FreeLibrary nightwick_free_library
#define timeBeginPeriod nightwick_time_begin_period
#define timeEndPeriod nightwick_time_end_period
#define RegisterClassExA nightwick_register_class
#define CreateWindowExA nightwick_create_window
#define ShowCursor nightwick_show_cursor
#define GetFocus nightwick_get_focus
#define CreateFileA nightwick_create_file
#endif
