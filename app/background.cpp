// The background picture and the copy of its file kept for the run.
#include "app/background.h"

#include <vector>

#include "gfx/gfx.h"

namespace {

constexpr const char* background_file = "VeskBack.pcx";
// Far more than any picture of the screen's size takes, even where every
// byte is a run of one; a larger file is not kept.
constexpr std::size_t largest_kept = 8u << 20;

std::vector<std::uint8_t> kept;

std::vector<std::uint8_t> read_whole_file(const char* name) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    std::uint8_t block[16384];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) {
        if (bytes.size() + read > largest_kept) {
            bytes.clear();
            break;
        }
        bytes.insert(bytes.end(), block, block + read);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace

void load_background() {
    gfx_load_pcx(background_file, PCX_NO_COLOR_REDUCTION);
    kept = read_whole_file(background_file);
}

bool reload_background() {
    // Result 4: the reader found no memory for a line.
    const std::int32_t from_file = gfx_load_pcx(background_file, PCX_NO_COLOR_REDUCTION);
    if (from_file == 0 || kept.empty()) return from_file != 4;
    gfx_set_read_buffer(kept.data(), static_cast<std::int32_t>(kept.size()));
    const std::int32_t from_memory = gfx_load_pcx(background_file, PCX_FROM_MEMORY | PCX_NO_COLOR_REDUCTION);
    gfx_set_read_buffer(nullptr, 0);
    return from_memory != 4;
}

void forget_background() { std::vector<std::uint8_t>().swap(kept); }
