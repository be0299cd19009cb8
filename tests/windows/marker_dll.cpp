// A library that tells when it is loaded: it writes "loaded-NAME.txt"
// beside itself. The Wine test leaves it beside the screensaver under the
// names of system modules, which the screensaver must never load from its
// own folder.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    std::string file(path, length);
    const std::size_t slash = file.rfind('\\');
    file = file.substr(0, slash + 1) + "loaded-" + file.substr(slash + 1) + ".txt";
    HANDLE marker = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return TRUE;
}
