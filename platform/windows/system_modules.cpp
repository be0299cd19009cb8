#include "system_modules.h"

#include <mmsystem.h>

#include <cstring>

namespace nightwick {
namespace {

constexpr DWORD search_application_folder = 0x00000200;  // LOAD_LIBRARY_SEARCH_APPLICATION_DIR
constexpr DWORD search_system_folder = 0x00000800;       // LOAD_LIBRARY_SEARCH_SYSTEM32

// A Windows without the search flags refuses them as a parameter.
bool flags_refused(HMODULE module) { return module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER; }

}  // namespace

bool search_system_folder_only() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    return set != nullptr && set(search_system_folder) != FALSE;
}

HMODULE load_from_system_folder(LPCSTR name) {
    HMODULE module = LoadLibraryExA(name, nullptr, search_system_folder);
    // There the system folder's full path says the same.
    if (flags_refused(module) && std::strpbrk(name, "\\/") == nullptr) {
        char folder[MAX_PATH];
        const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
        if (length > 0 && length + 1 + std::strlen(name) < MAX_PATH) {
            lstrcatA(folder, "\\");
            lstrcatA(folder, name);
            module = LoadLibraryA(folder);
        }
    }
    return module;
}

HMODULE load_beside_program_or_system(LPCSTR name) {
    HMODULE module = LoadLibraryExA(name, nullptr, search_application_folder | search_system_folder);
    // There nothing narrower than the usual search is to be had.
    if (flags_refused(module)) module = LoadLibraryA(name);
    return module;
}

bool change_timer_resolution(unsigned period, bool take) {
    using PeriodCall = MMRESULT(WINAPI*)(UINT);
    static HMODULE winmm = load_from_system_folder("winmm.dll");
    if (winmm == nullptr) return false;
    static auto begin = reinterpret_cast<PeriodCall>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeBeginPeriod")));
    static auto end = reinterpret_cast<PeriodCall>(reinterpret_cast<void*>(GetProcAddress(winmm, "timeEndPeriod")));
    PeriodCall call = take ? begin : end;
    return call != nullptr && call(period) == TIMERR_NOERROR;
}

}  // namespace nightwick
