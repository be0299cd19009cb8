// The module seam of the scaled Windows programs, with the timer module
// reached through it, and what the built-in DirectDraw asks of the real
// USER32 and GDI32.
#define NIGHTWICK_SEAMS
#include "seams.h"
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <cstring>

#include "../portable/control/timer_resolution.h"
#include "../portable/win32/modules.h"
#include "../portable/win32/shared_state.h"
#include "system_modules.h"

namespace {

// Every later load searches the system folder only; the loads below ask for
// it each time as well.
[[maybe_unused]] const bool system_folder_set = nightwick::search_system_folder_only();

platform::TimerResolution resolution(nightwick::change_timer_resolution);

// The built-in "DDRAW.DLL": a handle of its own, and its export look-up.
platform::detail::ExportLookup ddraw_lookup = nullptr;
int ddraw_references = 0;
char ddraw_marker;
HMODULE ddraw_handle() { return reinterpret_cast<HMODULE>(&ddraw_marker); }

bool is_ddraw(LPCSTR name) {
    if (name == nullptr) return false;
    // A name may come with or without its extension, in any case.
    const char* base = std::strrchr(name, '\\');
    base = base != nullptr ? base + 1 : name;
    return lstrcmpiA(base, "DDRAW.DLL") == 0 || lstrcmpiA(base, "DDRAW") == 0;
}

}  // namespace

platform::detail::BuiltInModule::BuiltInModule(const char* name, ExportLookup lookup) {
    if (is_ddraw(name)) ddraw_lookup = lookup;
}

bool platform::detail::is_window(HWND window) { return IsWindow(window) != FALSE; }

int platform::detail::desktop_depth() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits == 15 ? 16 : bits;
}

HMODULE WINAPI nightwick_load_library(LPCSTR name) {
    if (is_ddraw(name) && ddraw_lookup != nullptr) {
        ++ddraw_references;
        return ddraw_handle();
    }
    return nightwick::load_from_system_folder(name);
}

FARPROC WINAPI nightwick_get_proc_address(HMODULE module, LPCSTR name) {
    if (module != ddraw_handle()) return GetProcAddress(module, name);
    // Ordinals are not exported by the built-in module.
    if (reinterpret_cast<UINT_PTR>(name) < 0x10000u) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC entry = ddraw_lookup(name);
    if (entry == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return entry;
}

BOOL WINAPI nightwick_free_library(HMODULE module) {
    if (module != ddraw_handle()) return FreeLibrary(module);
    if (ddraw_references == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --ddraw_references;
    return TRUE;
}

UINT WINAPI nightwick_time_begin_period(UINT period) {
    return resolution.begin(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

UINT WINAPI nightwick_time_end_period(UINT period) { return resolution.end(period) ? TIMERR_NOERROR : TIMERR_NOCANDO; }

void platform::allow_timer_resolution(bool allowed) { resolution.allow(allowed); }

bool platform::timer_resolution_taken() { return resolution.taken(); }
