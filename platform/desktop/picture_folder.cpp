// Finding the pictures for a program started outside its folder.
#include "picture_folder.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "picture_names.h"

namespace fs = std::filesystem;

namespace platform {

PictureFolder find_picture_folder(std::span<const fs::path> candidates) {
    PictureFolder best;
    std::size_t best_found = 0;
    bool chosen = false;
    for (const fs::path& folder : candidates) {
        PictureFolder here{folder, {}};
        for (const char* name : picture_names) {
            std::error_code error;
            if (!fs::is_regular_file(folder / name, error)) here.missing.emplace_back(name);
        }
        const std::size_t found = std::size(picture_names) - here.missing.size();
        if (here.missing.empty()) return here;
        if (!chosen || found > best_found) {
            best = std::move(here);
            best_found = found;
            chosen = true;
        }
    }
    return best;
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
    if (found.folder.empty()) return;
    std::error_code error;
    fs::current_path(found.folder, error);
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
