// Resetting the whole portable platform: every module that registered
// itself, in its order.
#include "reset.h"

#include <array>

#include "control.h"

namespace platform {
namespace detail {
namespace {

using Resets = std::array<void (*)(), static_cast<std::size_t>(ResetOrder::count)>;

// Made on first use: modules register from their own start-up code, whose
// order among files is not known.
Resets& resets() {
    static Resets table{};
    return table;
}

}  // namespace

ResetHook::ResetHook(ResetOrder order, void (*reset)()) { resets()[static_cast<std::size_t>(order)] = reset; }

}  // namespace detail

void reset() {
    for (void (*reset_module)() : detail::resets()) {
        if (reset_module != nullptr) reset_module();
    }
}

}  // namespace platform
