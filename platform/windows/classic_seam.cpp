// The classic program's seams (classic_seams.h).
#define NIGHTWICK_SEAMS
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "../portable/control/timer_resolution.h"
#include "app/picture_check.h"
#include "classic_seams.h"
#include "program_icon.h"
#include "system_modules.h"

namespace {

// Before anything loads: later loads by name, the system's own on the
// program's behalf included, search the system folder only.
[[maybe_unused]] const bool system_folder_set = nightwick::search_system_folder_only();

platform::TimerResolution resolution(nightwick::change_timer_resolution);
WNDPROC program_procedure = nullptr;

bool is_ddraw(LPCSTR name) {
    if (name == nullptr) return false;
    const char* base = std::strrchr(name, '\\');
    base = base != nullptr ? base + 1 : name;
    return lstrcmpiA(base, "DDRAW.DLL") == 0 || lstrcmpiA(base, "DDRAW") == 0;
}

// The whole file, or why it cannot be had.
std::string read_picture(const char* name, std::vector<std::uint8_t>& bytes) {
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? "is not there" : "cannot be read";
    // Far larger than any picture of 640 x 480.
    constexpr DWORD largest = 16u << 20;
    const DWORD size = GetFileSize(file, nullptr);
    std::string problem;
    if (size == INVALID_FILE_SIZE || size > largest) {
        problem = "is not a PCX picture";
    } else {
        bytes.resize(size);
        DWORD read = 0;
        if (size != 0 && (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size))
            problem = "cannot be read";
    }
    CloseHandle(file);
    return problem;
}

// The program reads its pictures from the folder it is started in; nothing
// is carried. One it cannot show would leave the display at 640 x 480 in
// black, with no word: it is said before the window and the mode exist.
void check_pictures() {
    std::string problems;
    std::string_view names = NIGHTWICK_PICTURE_NAMES;
    while (!names.empty()) {
        const std::size_t comma = names.find(',');
        const std::string name(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view{} : names.substr(comma + 1);
        std::vector<std::uint8_t> bytes;
        std::string problem = read_picture(name.c_str(), bytes);
        if (problem.empty()) problem = picture_problem(name, bytes);
        if (!problem.empty()) problems += name + " " + problem + ".\n";
    }
    if (problems.empty()) return;
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string text = "Nightwick cannot show its pictures. In the folder\n" + std::string(folder) + "\n\n" +
                             problems + "\nThe pictures belong in the folder Nightwick is started in.";
    OutputDebugStringA(("Nightwick: " + text + "\n").c_str());
    MessageBoxA(nullptr, text.c_str(), "Nightwick", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

// Frames run while the program is active; so long the display is kept
// awake and the fine timer held, and both let go when it is not.
void running(bool now) {
    resolution.allow(now);
    SetThreadExecutionState(now ? ES_CONTINUOUS | ES_DISPLAY_REQUIRED : ES_CONTINUOUS);
}

LRESULT CALLBACK watch(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ACTIVATEAPP) running(wparam != FALSE);
    if (message == WM_DESTROY) running(false);
    return CallWindowProcA(program_procedure, window, message, wparam, lparam);
}

}  // namespace

HMODULE WINAPI nightwick_classic_load_library(LPCSTR name) {
    if (is_ddraw(name)) return nightwick::load_beside_program_or_system(name);
    return nightwick::load_from_system_folder(name);
}

UINT WINAPI nightwick_classic_time_begin_period(UINT period) {
    return resolution.begin(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

UINT WINAPI nightwick_classic_time_end_period(UINT period) {
    return resolution.end(period) ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

ATOM WINAPI nightwick_classic_register_class(const WNDCLASSEXA* window_class) {
    check_pictures();
    if (window_class == nullptr) return RegisterClassExA(window_class);
    WNDCLASSEXA watched = *window_class;
    program_procedure = window_class->lpfnWndProc;
    watched.lpfnWndProc = watch;
    nightwick::use_program_icon(watched);
    return RegisterClassExA(&watched);
}

HWND WINAPI nightwick_classic_create_window(DWORD ex_style, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                            LPVOID param) {
    HWND window =
        CreateWindowExA(ex_style, class_name, title, style, x, y, width, height, parent, menu, instance, param);
    // A program that destroyed its window while it was being made has asked
    // to end already; otherwise it would wait for ever for a window that
    // never comes.
    MSG quit{};
    if (window != nullptr || PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return window;
    OutputDebugStringA("Nightwick: its window could not be made; it ends.\n");
    ExitProcess(1);
}
