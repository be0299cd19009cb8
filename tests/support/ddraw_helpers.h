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

inline HWND create_test_window() {
    static WNDPROC procedure = [](HWND window, UINT message, WPARAM wparam, LPARAM lparam) -> LRESULT {
        return DefWindowProcA(window, message, wparam, lparam);
    };
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.lpszClassName = "DDrawTestWindow";
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "DDrawTestWindow", "t", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                  nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

template <typename Desc = DDSURFACEDESC2>
Desc description() {
    Desc desc{};
    desc.dwSize = sizeof desc;
    return desc;
}
