// How the scaled Windows program's load of "DDRAW.DLL" reaches the built-in
// DirectDraw: its calls to LoadLibraryA, GetProcAddress and FreeLibrary go
// through here, which answers for the built-in modules and hands every
// other module to the system. No file named like a system library is
// shipped, so nothing can shadow the system's own.
#pragma once

#include <windows.h>

HMODULE WINAPI nightwick_load_library(LPCSTR name);
FARPROC WINAPI nightwick_get_proc_address(HMODULE module, LPCSTR name);
BOOL WINAPI nightwick_free_library(HMODULE module);

#ifndef NIGHTWICK_MODULE_SEAM
#undef LoadLibrary
#undef GetProcAddress
#undef FreeLibrary
#define LoadLibraryA nightwick_load_library
#define GetProcAddress nightwick_get_proc_address
#define FreeLibrary nightwick_free_library
#endif
