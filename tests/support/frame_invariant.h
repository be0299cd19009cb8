// The whole-frame rule of the animation: away from the lamp, the rail and
// the live insects' last drawn images, every page shows the background.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/insects.h"
#include "app/scene.h"

// Where a page may differ from the background: the lamp, the rail and every
// live insect's last drawn image.
inline bool off_background(const std::vector<std::uint8_t>& page, const std::vector<std::uint8_t>& background,
                           std::string& where) {
    std::vector<std::pair<int, int>> spans;  // inclusive column ranges covered on a row
    for (int y = 0; y < scene::height; ++y) {
        spans.clear();
        if (y <= scene::lamp_bottom) spans.emplace_back(scene::lamp_left, scene::lamp_right);
        if (y >= scene::rail_top) spans.emplace_back(scene::rail_left, scene::rail_right);
        for (const Insect* insect = insect_head; insect != nullptr; insect = insect->next) {
            if (y > insect->box.top && y <= insect->box.bottom) {
                spans.emplace_back(insect->box.left, insect->box.right - 1);
            }
        }
        std::sort(spans.begin(), spans.end());
        int x = 0;
        auto compare_to = [&](int end) {  // columns x to end - 1
            end = std::min(end, scene::width);
            if (end <= x) return true;
            const std::size_t at = static_cast<std::size_t>(y) * scene::width + static_cast<std::size_t>(x);
            if (std::memcmp(page.data() + at, background.data() + at, static_cast<std::size_t>(end - x)) == 0) {
                return true;
            }
            const std::size_t row = static_cast<std::size_t>(y) * scene::width;
            while (x < end && page[row + x] == background[row + x]) ++x;  // name the first stray pixel
            where = std::to_string(x) + ", " + std::to_string(y);
            return false;
        };
        for (const auto& [first, last] : spans) {
            if (!compare_to(first)) return true;
            x = std::max(x, last + 1);
        }
        if (!compare_to(scene::width)) return true;
    }
    return false;
}
