// Where a program started from anywhere finds its eight pictures. The
// program opens them by name in the current folder, as it does on Windows,
// so the entry looks for a folder that holds them and starts there.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace platform {

struct PictureFolder {
    std::filesystem::path folder;      // where the program should start
    std::vector<std::string> missing;  // pictures that folder lacks
};

// The first candidate that holds every picture wins. Where none does, the
// one that holds the most (the earliest of equals) is used, and what it
// lacks is reported missing.
PictureFolder find_picture_folder(std::span<const std::filesystem::path> candidates);

// The current folder, the executable's folder, and the installed
// share/nightwick beside the executable's bin/.
std::vector<std::filesystem::path> picture_folder_candidates();

// Finds the folder among the candidates, changes to it, and names the
// missing pictures on stderr once, prefixed with the program's name.
void enter_picture_folder(const char* program, std::span<const std::filesystem::path> candidates);

}  // namespace platform
