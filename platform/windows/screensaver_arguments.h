// What Windows asks of a screensaver, read from its command line alone:
// "/s" to run, "/p HWND" to draw in the settings' preview, "/c[:HWND]" (or
// nothing) to show its settings. The program's own path comes first, quoted
// or not, and may itself hold "-p", "/s" or spaces: it is skipped before
// any option is read.
#pragma once

#include <cstdint>
#include <string_view>

namespace nightwick {

struct ScreensaverArguments {
    enum class Mode { configure, run, preview };
    Mode mode = Mode::configure;
    std::uintptr_t window = 0;  // the preview's parent, or the settings box's owner; 0 when none
    bool operator==(const ScreensaverArguments&) const = default;
};

// `program` is the executable's full path as the system knows it; a command
// line that starts with it unquoted is read past it, spaces and all.
ScreensaverArguments parse_screensaver_arguments(std::string_view command_line, std::string_view program);

}  // namespace nightwick
