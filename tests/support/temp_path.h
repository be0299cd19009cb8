// A path of a test's own in the temporary folder. The process id keeps the
// tests apart when several processes run them at once.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

inline std::filesystem::path temp_path(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("nightwick_" + name + "_" + std::to_string(::getpid()));
}
