// Parsing the desktop program's options.
#include "desktop_options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace platform {

const char* const desktop_usage =
    "usage: nightwick [--fullscreen | --window | --root | -window-id ID]\n"
    "  --fullscreen     fill the screen (the default)\n"
    "  --window         run in a 640 x 480 window that can be resized\n"
    "  --root           as an xscreensaver hack: draw into the screensaver's\n"
    "                   window (XSCREENSAVER_WINDOW), else the root window\n"
    "  -window-id ID    draw into the X window ID (decimal or 0x hexadecimal)\n"
    "  --help           show this and exit\n"
    "  --version        show the version and exit\n"
    "Esc or F12 quits, except as a screensaver, which ends on SIGTERM.\n";

namespace {

// An X window id: a positive number of at most 32 bits, in decimal or in
// 0x hexadecimal as xscreensaver writes it (a leading 0 is no octal).
bool parse_window_id(const char* text, unsigned long& id) {
    if (text == nullptr) return false;
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hex ? text + 2 : text;
    if (!(hex ? std::isxdigit(static_cast<unsigned char>(*digits)) : std::isdigit(static_cast<unsigned char>(*digits))))
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(digits, &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || parsed == 0 || parsed > 0xFFFFFFFFull) return false;
    id = static_cast<unsigned long>(parsed);
    return true;
}

DesktopOptions failed(std::string message) {
    DesktopOptions options;
    options.action = DesktopOptions::Action::error;
    options.error = std::move(message);
    return options;
}

}  // namespace

DesktopOptions parse_desktop_options(int argc, const char* const* argv, const char* screensaver_window) {
    DesktopOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        // xscreensaver's hacks take their options with one dash or two.
        const std::string_view name = option.starts_with("--")  ? option.substr(2)
                                      : option.starts_with("-") ? option.substr(1)
                                                                : std::string_view{};
        std::string_view value;
        bool has_value = false;
        std::string_view key = name;
        if (const auto equals = name.find('='); equals != std::string_view::npos) {
            key = name.substr(0, equals);
            value = name.substr(equals + 1);
            has_value = true;
        }
        if (key == "help" || key == "h") {
            options.action = DesktopOptions::Action::help;
            return options;
        }
        if (key == "version") {
            options.action = DesktopOptions::Action::version;
            return options;
        }
        if (key == "window-id") {
            std::string id_text;
            if (has_value) {
                id_text = value;
            } else if (i + 1 < argc) {
                id_text = argv[++i];
            } else {
                return failed("-window-id needs a window id");
            }
            unsigned long id = 0;
            if (!parse_window_id(id_text.c_str(), id)) return failed("not a window id: " + id_text);
            options.placement = DesktopOptions::Placement::foreign;
            options.window_id = id;
            options.root = false;
            continue;
        }
        if (name.empty()) return failed("not an option: " + std::string(option));
        if (has_value || (key != "fullscreen" && key != "window" && key != "root")) {
            return failed("unknown option " + std::string(option));
        }
        options.window_id = 0;
        options.root = false;
        if (key == "fullscreen") {
            options.placement = DesktopOptions::Placement::fullscreen;
        } else if (key == "window") {
            options.placement = DesktopOptions::Placement::window;
        } else {
            options.placement = DesktopOptions::Placement::foreign;
            unsigned long id = 0;
            if (screensaver_window == nullptr || *screensaver_window == '\0') {
                options.root = true;
            } else if (parse_window_id(screensaver_window, id)) {
                options.window_id = id;
            } else {
                // Drawn on the root window, the hack would show nowhere
                // the screensaver can be seen.
                options = failed(std::string("XSCREENSAVER_WINDOW is not a window id: ") + screensaver_window);
                options.action = DesktopOptions::Action::bad_environment;
                return options;
            }
        }
    }
    return options;
}

}  // namespace platform
