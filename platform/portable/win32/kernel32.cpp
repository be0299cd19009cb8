// KERNEL32 of the portable platform: files over POSIX, fixed global memory
// blocks, built-in modules and the system version.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../control/call_log.h"
#include "../control/control.h"
#include "../control/reset.h"
#include "modules.h"

using namespace platform::detail;

namespace {

// NT family, version 6.1 build 7601: bit 31 clear.
constexpr DWORD nt_version = 0x1DB10106u;

struct Module {
    const char* name;
    std::uintptr_t handle;
    int references = 0;
    bool available = true;
    std::set<std::string, std::less<>> hidden_exports;
};

// The video-for-windows entry points exist so that a program can look them
// up; none of them does anything here.
INT_PTR WINAPI inert_entry() { return 0; }

constexpr std::array<const char*, 17> avi_exports = {
    "AVIFileCreateStreamA",   "AVIFileExit",           "AVIFileInit",
    "AVIFileOpenA",           "AVIFileRelease",        "AVIMakeCompressedStream",
    "AVISaveOptions",         "AVISaveOptionsFree",    "AVIStreamGetFrame",
    "AVIStreamGetFrameClose", "AVIStreamGetFrameOpen", "AVIStreamInfoA",
    "AVIStreamOpenFromFileA", "AVIStreamReadFormat",   "AVIStreamRelease",
    "AVIStreamSetFormat",     "AVIStreamWrite"};

struct Kernel {
    std::map<std::uintptr_t, int> files;  // handle -> descriptor
    std::uintptr_t next_file = 0x100;
    std::set<void*> blocks;
    std::array<Module, 2> modules{Module{"DDRAW.DLL", 0x70000000u, 0, true, {}},
                                  Module{"AVIFIL32.DLL", 0x71000000u, 0, true, {}}};
    DWORD version = nt_version;
    DWORD last_error = 0;
    std::vector<std::pair<std::string, std::string>> sources;  // plain name -> the file it opens
};

Kernel& kernel() {
    static Kernel state;
    return state;
}

// Export look-ups of the modules built above KERNEL32, by name; registered
// once at start-up, so a reset keeps them.
ExportLookup& ddraw_exports() {
    static ExportLookup lookup = nullptr;
    return lookup;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (std::toupper(x) != std::toupper(y)) return false;
    }
    return true;
}

// Windows appends ".DLL" to a name without an extension.
Module* module_named(std::string_view name) {
    std::string full(name);
    if (full.find('.') == std::string::npos) full += ".DLL";
    for (Module& module : kernel().modules) {
        if (same_name(module.name, full)) return &module;
    }
    return nullptr;
}

Module* module_by_handle(HMODULE handle) {
    for (Module& module : kernel().modules) {
        if (reinterpret_cast<std::uintptr_t>(handle) == module.handle && module.references > 0) return &module;
    }
    return nullptr;
}

int descriptor(HANDLE file) {
    auto found = kernel().files.find(reinterpret_cast<std::uintptr_t>(file));
    return found == kernel().files.end() ? -1 : found->second;
}

}  // namespace

namespace platform {

detail::BuiltInModule::BuiltInModule(const char* name, ExportLookup lookup) {
    if (same_name(name, "DDRAW.DLL")) ddraw_exports() = lookup;
}

namespace {

void reset_kernel32() {
    Kernel& state = kernel();
    for (auto& [handle, fd] : state.files) ::close(fd);
    state.files.clear();
    for (void* block : state.blocks) std::free(block);
    state.blocks.clear();
    for (Module& module : state.modules) {
        module.references = 0;
        module.available = true;
        module.hidden_exports.clear();
    }
    state.version = nt_version;
    state.last_error = 0;
    state.sources.clear();
}

const detail::ResetHook reset_hook(detail::ResetOrder::kernel32, reset_kernel32);

}  // namespace

void set_version(DWORD version) { kernel().version = version; }

void set_file_source(std::string_view name, std::string path) {
    auto& sources = kernel().sources;
    std::erase_if(sources, [&](const auto& source) { return same_name(source.first, name); });
    sources.emplace_back(name, std::move(path));
}

void set_module_available(std::string_view name, bool available) {
    if (Module* module = module_named(name)) module->available = available;
}

void set_export_available(std::string_view name, std::string_view entry, bool available) {
    Module* module = module_named(name);
    if (module == nullptr) return;
    if (available) {
        auto found = module->hidden_exports.find(entry);
        if (found != module->hidden_exports.end()) module->hidden_exports.erase(found);
    } else {
        module->hidden_exports.emplace(entry);
    }
}

int module_reference_count(std::string_view name) {
    Module* module = module_named(name);
    return module == nullptr ? 0 : module->references;
}

std::size_t open_file_count() { return kernel().files.size(); }
std::size_t global_block_count() { return kernel().blocks.size(); }

}  // namespace platform

DWORD WINAPI GetLastError() { return kernel().last_error; }
void WINAPI SetLastError(DWORD code) { kernel().last_error = code; }

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                          DWORD flags, HANDLE template_file) {
    if (auto failed = logged<HANDLE>("CreateFileA", {str(name), hex(access), hex(share), ptr(security),
                                                     num(disposition), hex(flags), ptr(template_file)})) {
        return *failed;
    }
    if (name == nullptr || *name == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    int mode = 0;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) {
        mode = O_RDWR;
    } else if (access & GENERIC_WRITE) {
        mode = O_WRONLY;
    } else {
        mode = O_RDONLY;
    }
    if (disposition == CREATE_ALWAYS) {
        mode |= O_CREAT | O_TRUNC;
    } else if (disposition != OPEN_EXISTING) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    // Opened without blocking: a named pipe or a device in place of a file
    // must not hold the program up before it is found not to be a file.
    const char* path = name;
    for (const auto& [plain, source] : kernel().sources) {
        if (same_name(plain, name)) path = source.c_str();
    }
    int fd = ::open(path, mode | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    // Only a regular file is a file here: directories, pipes, sockets and
    // devices fail at once.
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    Kernel& state = kernel();
    std::uintptr_t handle = state.next_file;
    state.next_file += 4;
    state.files[handle] = fd;
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, OVERLAPPED* overlapped) {
    if (auto failed = logged<BOOL>("ReadFile", {ptr(file), ptr(buffer), num(to_read), ptr(read), ptr(overlapped)})) {
        if (read != nullptr) *read = 0;
        return *failed;
    }
    if (read != nullptr) *read = 0;
    int fd = descriptor(file);
    if (fd < 0 || read == nullptr || (buffer == nullptr && to_read > 0)) {
        SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    DWORD total = 0;
    while (total < to_read) {
        ssize_t got = ::read(fd, out + total, to_read - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            *read = total;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (got == 0) break;
        total += static_cast<DWORD>(got);
    }
    *read = total;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written, OVERLAPPED* overlapped) {
    if (auto failed =
            logged<BOOL>("WriteFile", {ptr(file), ptr(buffer), num(to_write), ptr(written), ptr(overlapped)})) {
        if (written != nullptr) *written = 0;
        return *failed;
    }
    if (written != nullptr) *written = 0;
    int fd = descriptor(file);
    if (fd < 0 || written == nullptr || (buffer == nullptr && to_write > 0)) {
        SetLastError(fd < 0 ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const auto* in = static_cast<const unsigned char*>(buffer);
    DWORD total = 0;
    while (total < to_write) {
        ssize_t put = ::write(fd, in + total, to_write - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            *written = total;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    *written = total;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD method) {
    if (auto failed = logged<DWORD>("SetFilePointer", {ptr(file), num(distance), ptr(distance_high), num(method)})) {
        return *failed;
    }
    int fd = descriptor(file);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t move = distance;
    if (distance_high != nullptr) {
        move =
            static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                      static_cast<std::uint32_t>(distance));
    }
    int whence = method == FILE_BEGIN     ? SEEK_SET
                 : method == FILE_CURRENT ? SEEK_CUR
                 : method == FILE_END     ? SEEK_END
                                          : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    off_t base = 0;
    if (whence == SEEK_CUR) base = ::lseek(fd, 0, SEEK_CUR);
    if (whence == SEEK_END) {
        struct stat info {};
        base = ::fstat(fd, &info) == 0 ? info.st_size : 0;
    }
    // Windows refuses a move before the start of the file and leaves the
    // position where it was.
    if (base + move < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = ::lseek(fd, static_cast<off_t>(base + move), SEEK_SET);
    if (position < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL WINAPI CloseHandle(HANDLE object) {
    if (auto failed = logged<BOOL>("CloseHandle", {ptr(object)})) return *failed;
    Kernel& state = kernel();
    auto found = state.files.find(reinterpret_cast<std::uintptr_t>(object));
    if (found == state.files.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ::close(found->second);
    state.files.erase(found);
    return TRUE;
}

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (auto failed = logged<HGLOBAL>("GlobalAlloc", {hex(flags), num(static_cast<std::int64_t>(bytes))})) {
        return *failed;
    }
    // Only fixed blocks exist here: their handle is their address.
    if ((flags & ~GMEM_ZEROINIT) != GMEM_FIXED) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* block =
        (flags & GMEM_ZEROINIT) ? std::calloc(bytes == 0 ? 1 : bytes, 1) : std::malloc(bytes == 0 ? 1 : bytes);
    if (block == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    kernel().blocks.insert(block);
    return block;
}

HGLOBAL WINAPI GlobalHandle(LPCVOID memory) {
    if (auto failed = logged<HGLOBAL>("GlobalHandle", {ptr(memory)})) return *failed;
    void* block = const_cast<void*>(memory);
    if (kernel().blocks.count(block) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return block;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) {
    if (auto failed = logged<HGLOBAL>("GlobalFree", {ptr(memory)})) return *failed;
    if (memory == nullptr) return nullptr;
    auto found = kernel().blocks.find(memory);
    if (found == kernel().blocks.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return memory;  // failure: the handle comes back
    }
    kernel().blocks.erase(found);
    std::free(memory);
    return nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR name) {
    if (auto failed = logged<HMODULE>("LoadLibraryA", {str(name)})) return *failed;
    Module* module = name == nullptr ? nullptr : module_named(name);
    if (module == nullptr || !module->available) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++module->references;
    return reinterpret_cast<HMODULE>(module->handle);
}

FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR name) {
    if (auto failed = logged<FARPROC>("GetProcAddress", {ptr(handle), str(name)})) return *failed;
    Module* module = module_by_handle(handle);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Names only: an ordinal (a value below 0x10000 in place of the name)
    // is not exported by the built-in modules.
    if (reinterpret_cast<std::uintptr_t>(name) < 0x10000u || module->hidden_exports.count(name) != 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC entry = nullptr;
    if (std::strcmp(module->name, "DDRAW.DLL") == 0) {
        if (ddraw_exports() != nullptr) entry = ddraw_exports()(name);
    } else {
        for (const char* avi : avi_exports) {
            if (std::strcmp(avi, name) == 0) entry = &inert_entry;
        }
    }
    if (entry == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
    return entry;
}

BOOL WINAPI FreeLibrary(HMODULE handle) {
    if (auto failed = logged<BOOL>("FreeLibrary", {ptr(handle)})) return *failed;
    Module* module = module_by_handle(handle);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --module->references;
    return TRUE;
}

DWORD WINAPI GetVersion() {
    if (auto failed = logged<DWORD>("GetVersion", {})) return *failed;
    return kernel().version;
}
