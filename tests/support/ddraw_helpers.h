// Reaching the portable DirectDraw exactly as a program does: through
// "DDRAW.DLL" and its entry points.
#pragma once

#include <gtest/gtest.h>

#include "platform/win32.h"

using DirectDrawCreateExFunction = HRESULT(WINAPI*)(GUID*, LPVOID*, REFIID, IUnknown*);
using DirectDrawCreateFunction = HRESULT(WINAPI*)(GUID*, LPDIRECTDRAW*, IUnknown*);

inline IDirectDraw7* create_ddraw7() {
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    auto create = reinterpret_cast<DirectDrawCreateExFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectDrawCreateEx")));
    void* ddraw = nullptr;
    if (create == nullptr || create(nullptr, &ddraw, IID_IDirectDraw7, nullptr) != DD_OK) return nullptr;
    return static_cast<IDirectDraw7*>(ddraw);
}

// The old DirectDraw object, from which versions 4 and 2 are asked for.
inline LPDIRECTDRAW create_ddraw1() {
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    auto create = reinterpret_cast<DirectDrawCreateFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "DirectDrawCreate")));
    LPDIRECTDRAW ddraw = nullptr;
    if (create == nullptr || create(nullptr, &ddraw, nullptr) != DD_OK) return nullptr;
    return ddraw;
}

// A top-most 640 x 480 pop-up of a class registered for it, as the program
// makes its own.
inline HWND create_window(const char* class_name, WNDPROC procedure) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.lpszClassName = class_name;
    RegisterClassExA(&window_class);
    return CreateWindowExA(WS_EX_TOPMOST, class_name, class_name, WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr,
                           nullptr);
}

inline HWND create_test_window() {
    HWND window = create_window("DDrawTestWindow", [](HWND w, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        return DefWindowProcA(w, message, wparam, lparam);
    });
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

template <typename Desc = DDSURFACEDESC2>
Desc description() {
    Desc desc{};
    desc.dwSize = sizeof desc;
    return desc;
}
