// The call log as text that compares from run to run and build to build:
// one call a line, every object named by the order it first appears as
// the object of a method call (o1, o2 ...), any other address written
// "ptr". Flags, handles and numbers stay as they are.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/portable/control/control.h"

inline std::string call_text(std::size_t from = 0) {
    const auto& calls = platform::calls();
    std::map<std::string, int> objects;
    auto is_address = [](const std::string& arg) { return arg.size() > 10 && arg.rfind("0x", 0) == 0; };
    for (std::size_t i = from; i < calls.size(); ++i) {
        const bool method = calls[i].name.find("::") != std::string::npos;
        if (method && !calls[i].args.empty() && is_address(calls[i].args[0])) {
            objects.emplace(calls[i].args[0], static_cast<int>(objects.size()) + 1);
        }
    }
    std::string text;
    for (std::size_t i = from; i < calls.size(); ++i) {
        text += calls[i].name + "(";
        for (std::size_t a = 0; a < calls[i].args.size(); ++a) {
            const std::string& arg = calls[i].args[a];
            if (a > 0) text += ", ";
            if (!is_address(arg)) {
                text += arg;
            } else if (auto found = objects.find(arg); found != objects.end()) {
                text += "o" + std::to_string(found->second);
            } else {
                text += "ptr";
            }
        }
        text += ")\n";
    }
    return text;
}

inline std::uint64_t text_digest(const std::string& text) {
    std::uint64_t hash = 14695981039346656037u;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211u;
    return hash;
}
