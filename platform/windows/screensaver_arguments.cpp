// The screensaver's command line, read the way the system writes it.
#include "screensaver_arguments.h"

#include <cctype>

namespace nightwick {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t'; }

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (prefix.empty() || text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lower(text[i]) != lower(prefix[i])) return false;
    }
    return true;
}

// What follows the program's own name.
std::string_view past_program(std::string_view line, std::string_view program) {
    if (!line.empty() && line.front() == '"') {
        const std::size_t close = line.find('"', 1);
        return close == std::string_view::npos ? std::string_view{} : line.substr(close + 1);
    }
    // Unquoted, the path may hold spaces: the system's own idea of it says
    // where it ends, when the line starts with it.
    if (starts_with_ignoring_case(line, program) && (line.size() == program.size() || is_space(line[program.size()]))) {
        return line.substr(program.size());
    }
    std::size_t end = 0;
    while (end < line.size() && !is_space(line[end])) ++end;
    return line.substr(end);
}

// A window handle in decimal, as the system writes it, or 0x hexadecimal;
// 0 for anything else, or for a number too large to be one.
std::uintptr_t read_handle(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (is_space(text[at]) || text[at] == ':')) ++at;
    unsigned base = 10;
    if (text.size() > at + 1 && text[at] == '0' && lower(text[at + 1]) == 'x') {
        base = 16;
        at += 2;
    }
    std::uintptr_t value = 0;
    bool digits = false;
    for (; at < text.size() && !is_space(text[at]); ++at) {
        const char c = lower(text[at]);
        unsigned digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return 0;
        }
        if (value > (UINTPTR_MAX - digit) / base) return 0;
        value = value * base + digit;
        digits = true;
    }
    return digits ? value : 0;
}

}  // namespace

ScreensaverArguments parse_screensaver_arguments(std::string_view command_line, std::string_view program) {
    std::string_view rest = past_program(command_line, program);
    while (!rest.empty() && is_space(rest.front())) rest.remove_prefix(1);
    ScreensaverArguments arguments;
    if (rest.size() < 2 || (rest[0] != '/' && rest[0] != '-')) return arguments;
    const char option = lower(rest[1]);
    // The letter stands alone or is followed by its handle ("/p 1234", "/p:1234").
    if (rest.size() > 2 && !is_space(rest[2]) && rest[2] != ':') return arguments;
    switch (option) {
        case 's':
            arguments.mode = ScreensaverArguments::Mode::run;
            break;
        case 'p':
            arguments.mode = ScreensaverArguments::Mode::preview;
            arguments.window = read_handle(rest.substr(2));
            break;
        case 'c':
            arguments.window = read_handle(rest.substr(2));
            break;
        default:
            break;
    }
    return arguments;
}

}  // namespace nightwick
