// DirectDraw palettes (256 entries that a primary surface shows through)
// and clippers (a window that bounds what is drawn).
#include <algorithm>

#include "../win32/shared_state.h"
#include "objects.h"

namespace platform::detail {

HRESULT Palette::GetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY out) {
    if (auto failed = call<HRESULT>("GetEntries", {ptr(this), num(flags), num(first), num(count), ptr(out)})) {
        return *failed;
    }
    if (!check_alive("GetEntries")) return DDERR_INVALIDOBJECT;
    if (out == nullptr || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
    std::copy_n(entries.begin() + first, count, out);
    return DD_OK;
}
HRESULT Palette::SetEntries(DWORD flags, DWORD first, DWORD count, LPPALETTEENTRY in) {
    if (auto failed = call<HRESULT>("SetEntries", {ptr(this), num(flags), num(first), num(count), ptr(in)})) {
        return *failed;
    }
    if (!check_alive("SetEntries")) return DDERR_INVALIDOBJECT;
    if (in == nullptr || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
    std::copy_n(in, count, entries.begin() + first);
    return DD_OK;
}

HRESULT Clipper::SetHWnd(DWORD flags, HWND hwnd) {
    if (auto failed = call<HRESULT>("SetHWnd", {ptr(this), num(flags), ptr(hwnd)})) {
        return *failed;
    }
    if (!check_alive("SetHWnd")) return DDERR_INVALIDOBJECT;
    if (flags != 0 || (hwnd != nullptr && !is_window(hwnd))) return DDERR_INVALIDPARAMS;
    window = hwnd;
    return DD_OK;
}

}  // namespace platform::detail
