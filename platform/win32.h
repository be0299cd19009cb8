// The one platform header of the program. On Windows it is the real SDK;
// everywhere else it is the portable platform's declaration of the same names.
// The scaled Windows program (NIGHTWICK_BUILTIN_DISPLAY) takes the real
// Win32 with the portable platform's own DirectDraw, which its load of
// "DDRAW.DLL" reaches through the seams (windows/seams.h).
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
// The SDK headers depend on each other in this order.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
#ifdef NIGHTWICK_BUILTIN_DISPLAY
#include "portable/directx/ddraw_types.h"
#include "windows/seams.h"
#else
#include <ddraw.h>
#include <d3d.h>
#endif
// clang-format on
#else
#include "portable/directx/ddraw_types.h"
#include "portable/win32/windows_types.h"
#endif
