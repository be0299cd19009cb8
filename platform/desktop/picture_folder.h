// Where a program started from anywhere finds its eight pictures. The
// program opens them by name in the current folder, as it does on Windows,
// so the entry starts it in the folder that holds the most of them, and
// points the names it lacks at the folders that hold them. A copy that
// cannot serve as its picture (cut short, not a picture, unreadable) is
// passed over for the next folder's, and named.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform {

struct PictureFolder {
    std::filesystem::path folder;      // where the program should start
    std::vector<std::string> missing;  // pictures no folder holds
    // Pictures taken from another folder than `folder`, by name.
    std::vector<std::pair<std::string, std::filesystem::path>> elsewhere;
    std::vector<std::string> problems;  // one line for each copy passed over, or used though bad
};

// Each picture is the first copy among the candidates that serves; where
// none serves, the first copy there is (the program shows it as it is).
// The folder is the one that gives the most pictures, the earliest of
// equals, or the first candidate when none gives any.
PictureFolder find_picture_folder(std::span<const std::filesystem::path> candidates);

// The current folder, the executable's folder, and the installed
// share/nightwick beside the executable's bin/.
std::vector<std::filesystem::path> picture_folder_candidates();

// Finds the pictures among the candidates, changes to the folder, points
// the platform at the pictures taken from elsewhere, and says on stderr,
// prefixed with the program's name, what was passed over and what is
// missing.
void enter_picture_folder(const char* program, std::span<const std::filesystem::path> candidates);

}  // namespace platform
