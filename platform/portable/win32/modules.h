// Built-in modules whose entry points live above KERNEL32: such a module
// registers how to look its exports up, and LoadLibraryA/GetProcAddress
// reach them without KERNEL32 knowing the module's code.
#pragma once

#include <string_view>

#include "../../win32.h"

namespace platform::detail {

using ExportLookup = FARPROC (*)(std::string_view name);

// Made at start-up by a namespace-scope object of the module.
struct BuiltInModule {
    BuiltInModule(const char* name, ExportLookup lookup);
};

}  // namespace platform::detail
