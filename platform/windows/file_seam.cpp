// The file seam: the program reads its pictures by name from the folder it
// runs in. A picture found there is used, as always; one that is not, or
// that cannot be shown (empty, cut short, not a picture at all), is looked
// for beside the executable (by its Unicode path, of any length), and last
// is the copy the executable carries in its resources, so the screensaver
// is one file that works from any folder. A picture passed over is said
// where a program without a console can say it: in the debugger's output.
#define NIGHTWICK_SEAMS
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/picture_check.h"
#include "program_path.h"
#include "seams.h"

namespace {

// Far larger than any picture of 640 x 480.
constexpr DWORD largest_picture = 16u << 20;

// Why the open file cannot serve as the picture `name`, or nothing; the
// file is read from its start again either way.
std::string problem_of(HANDLE file, LPCSTR name) {
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE || size > largest_picture) return "is not a PCX picture";
    std::vector<std::uint8_t> bytes(size);
    DWORD read = 0;
    const bool whole = size == 0 || (ReadFile(file, bytes.data(), size, &read, nullptr) && read == size);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    if (!whole) return "cannot be read";
    return picture_problem(name, bytes);
}

void say(const std::string& text) { OutputDebugStringA(("Nightwick: " + text + "\n").c_str()); }

bool plain_name(LPCSTR name) { return name != nullptr && name[0] != '\0' && std::strpbrk(name, "\\/:") == nullptr; }

bool missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The executable's folder, with the prefix that lifts the path length limit.
std::wstring program_folder() {
    std::wstring path = nightwick::program_path();
    const std::size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    path.resize(slash);
    if (path.rfind(L"\\\\", 0) == 0) return path;  // already \\?\ or a share
    return L"\\\\?\\" + path;
}

HANDLE open_beside_program(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                           DWORD flags) {
    const std::wstring folder = program_folder();
    if (folder.empty()) return INVALID_HANDLE_VALUE;
    // The pictures' names are plain ASCII.
    std::wstring path = folder + L"\\";
    for (const char* c = name; *c != '\0'; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return CreateFileW(path.c_str(), access, share, security, disposition, flags, nullptr);
}

// The carried copy, written to a temporary file that goes when it is closed,
// so the program reads it with its ordinary file calls.
HANDLE open_carried(LPCSTR name) {
    HRSRC found = FindResourceA(nullptr, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (found == nullptr) return INVALID_HANDLE_VALUE;
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(nullptr, found);
    if (bytes == nullptr) return INVALID_HANDLE_VALUE;
    wchar_t folder[MAX_PATH + 1], file[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH || GetTempFileNameW(folder, L"nwk", 0, file) == 0) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = CreateFileW(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DeleteFileW(file);
        return INVALID_HANDLE_VALUE;
    }
    DWORD written = 0;
    if (!WriteFile(handle, bytes, size, &written, nullptr) || written != size ||
        SetFilePointer(handle, 0, nullptr, FILE_BEGIN) != 0) {
        CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

}  // namespace

HANDLE WINAPI nightwick_create_file(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                    DWORD disposition, DWORD flags, HANDLE template_file) {
    HANDLE handle = CreateFileA(name, access, share, security, disposition, flags, template_file);
    const DWORD error = GetLastError();
    // Only a plain read of a picture by its name looks further.
    if (!plain_name(name) || disposition != OPEN_EXISTING || (access & ~GENERIC_READ) != 0 ||
        (handle == INVALID_HANDLE_VALUE && !missing(error))) {
        return handle;
    }
    // The first that serves wins; when none does, the folder's is read as
    // it is.
    std::string passed_over;
    if (handle != INVALID_HANDLE_VALUE) {
        const std::string problem = problem_of(handle, name);
        if (problem.empty()) return handle;
        passed_over = std::string(name) + " in the working folder " + problem;
    }
    HANDLE beside = open_beside_program(name, access, share, security, disposition, flags);
    if (beside != INVALID_HANDLE_VALUE) {
        const std::string problem = problem_of(beside, name);
        if (problem.empty()) {
            if (!passed_over.empty()) say(passed_over + "; the one beside the program is shown.");
            if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
            return beside;
        }
        if (passed_over.empty()) passed_over = std::string(name) + " beside the program " + problem;
        CloseHandle(beside);
    }
    HANDLE carried = open_carried(name);
    if (carried != INVALID_HANDLE_VALUE) {
        if (!passed_over.empty()) say(passed_over + "; the program's own copy is shown.");
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        return carried;
    }
    if (!passed_over.empty()) say(passed_over + ", and there is no other.");
    if (handle == INVALID_HANDLE_VALUE) SetLastError(error);
    return handle;
}
