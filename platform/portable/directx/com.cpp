// Reference counting and misuse checks shared by every DirectDraw and
// Direct3D object.
#include <string>

#include "objects.h"

namespace platform::detail {

Tracked::~Tracked() = default;

Tracked* Tracked::adopt(std::unique_ptr<Tracked> object) {
    Tracked* raw = object.get();
    world().objects.push_back(std::move(object));
    return raw;
}

bool Tracked::check_alive(const char* method) const {
    if (alive) return true;
    note_misuse(std::string(kind) + "::" + method + " on a freed object");
    return false;
}

ULONG Tracked::add_ref() {
    if (!alive) {
        note_misuse(std::string(kind) + "::AddRef on a freed object");
        return 0;
    }
    return ++references;
}

ULONG Tracked::release() {
    if (!alive) {
        note_misuse(std::string(kind) + "::Release past zero");
        return 0;
    }
    if (--references > 0) return references;
    alive = false;
    destroy();
    return 0;
}

}  // namespace platform::detail
