// Finding the pictures for a program started outside its folder.
#include "picture_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "../portable/control/control.h"
#include "app/picture_check.h"
#include "picture_names.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// No picture the scene reads comes near this; a file that does is not one.
constexpr std::size_t largest_picture = 64u << 20;

// Why the file cannot serve as the picture `name`, or "" when it can.
std::string copy_problem(const fs::path& path, const char* name) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return "is not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::string("cannot be read: ") + std::strerror(errno);
    std::vector<std::uint8_t> bytes;
    std::uint8_t block[65536];
    for (;;) {
        const ssize_t read = ::read(fd, block, sizeof block);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) {
            const int cause = errno;
            ::close(fd);
            return std::string("cannot be read: ") + std::strerror(cause);
        }
        if (read == 0) break;
        bytes.insert(bytes.end(), block, block + read);
        if (bytes.size() > largest_picture) {
            ::close(fd);
            return "is far larger than any picture";
        }
    }
    ::close(fd);
    return picture_problem(name, bytes);
}

}  // namespace

PictureFolder find_picture_folder(std::span<const fs::path> candidates) {
    PictureFolder found;
    std::vector<std::pair<const char*, std::size_t>> chosen;  // picture -> candidate it comes from
    for (const char* name : picture_names) {
        std::size_t first_copy = candidates.size(), good = candidates.size();
        std::vector<std::string> passed;
        for (std::size_t i = 0; i < candidates.size() && good == candidates.size(); ++i) {
            const fs::path path = candidates[i] / name;
            std::error_code error;
            if (!fs::exists(fs::symlink_status(path, error)) || fs::is_directory(path, error)) continue;
            // The platform opens only regular files: anything else is as good as absent.
            if (first_copy == candidates.size() && fs::is_regular_file(path, error)) first_copy = i;
            if (const std::string problem = copy_problem(path, name); !problem.empty()) {
                passed.push_back(path.string() + " " + problem);
            } else {
                good = i;
            }
        }
        if (good < candidates.size()) {
            for (const std::string& line : passed) {
                found.problems.push_back(line + "; using " + (candidates[good] / name).string() + " instead");
            }
            chosen.emplace_back(name, good);
        } else if (first_copy < candidates.size()) {
            found.problems.push_back(passed.front() + (passed.size() > 1 ? ", and no other copy serves" : "") +
                                     "; the animation shows it as it is");
            chosen.emplace_back(name, first_copy);
        } else {
            for (const std::string& line : passed) found.problems.push_back(line);
            found.missing.emplace_back(name);
        }
    }
    std::size_t folder = 0, most = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const auto here = static_cast<std::size_t>(
            std::count_if(chosen.begin(), chosen.end(), [&](const auto& choice) { return choice.second == i; }));
        if (here > most) folder = i, most = here;
    }
    if (candidates.empty()) return found;
    found.folder = candidates[folder];
    for (const auto& [name, from] : chosen) {
        if (from != folder) found.elsewhere.emplace_back(name, candidates[from] / name);
    }
    return found;
}

std::vector<fs::path> picture_folder_candidates() {
    std::vector<fs::path> candidates;
    std::error_code error;
    if (fs::path current = fs::current_path(error); !error) candidates.push_back(current);
    // The executable itself, not the link it may have been started through.
    if (fs::path exe = fs::read_symlink("/proc/self/exe", error); !error && exe.has_parent_path()) {
        for (fs::path folder : {exe.parent_path(), exe.parent_path().parent_path() / "share" / "nightwick"}) {
            if (std::find(candidates.begin(), candidates.end(), folder) == candidates.end())
                candidates.push_back(folder);
        }
    }
    return candidates;
}

void enter_picture_folder(const char* program, std::span<const fs::path> candidates) {
    const PictureFolder found = find_picture_folder(candidates);
    for (const std::string& line : found.problems) std::fprintf(stderr, "%s: %s\n", program, line.c_str());
    if (found.folder.empty()) return;
    std::error_code error;
    fs::current_path(found.folder, error);
    for (const auto& [name, path] : found.elsewhere) set_file_source(name, fs::absolute(path, error).string());
    if (found.missing.empty()) return;
    const auto listed = [](const auto& items, const char* last_joint) {
        std::string text;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0) text += i + 1 == items.size() ? last_joint : ", ";
            text += fs::path(items[i]).string();
        }
        return text;
    };
    const bool one = found.missing.size() == 1;
    std::fprintf(stderr, "%s: cannot find the picture%s %s in %s; the animation runs without %s\n", program,
                 one ? "" : "s", listed(found.missing, " and ").c_str(), listed(candidates, " or ").c_str(),
                 one ? "it" : "them");
}

}  // namespace platform
