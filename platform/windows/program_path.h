// The executable's own path, by its Unicode name and of any length: the
// screensaver may live in any folder.
#pragma once

#include <windows.h>

#include <string>

namespace nightwick {

inline std::wstring program_path() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

}  // namespace nightwick
