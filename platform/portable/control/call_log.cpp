// The call log and failure injection behind control.h.
#include "call_log.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "control.h"
#include "reset.h"

namespace platform {
namespace {

struct Failure {
    int pass = 0;
    int fail = 0;
    std::int64_t result = 0;
};

std::vector<Call> call_log;
bool logging = true;
std::map<std::string, Failure, std::less<>> failures;
int misuse = 0;

}  // namespace

namespace detail {

std::string Value::text() const {
    char text[32];
    switch (kind_) {
        case Kind::number:
            return std::to_string(number_);
        case Kind::hex:
            std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(number_));
            return text;
        case Kind::pointer:
            if (pointer_ == nullptr) return "null";
            std::snprintf(text, sizeof text, "0x%llx",
                          static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(pointer_)));
            return text;
        case Kind::real:
            std::snprintf(text, sizeof text, "%g", real_);
            return text;
        case Kind::text:
            break;
    }
    return text_ == nullptr ? std::string("null") : std::string(text_);
}

bool enter(std::string_view name, std::initializer_list<Arg> args, std::int64_t& forced) {
    if (logging) {
        Call call{std::string(name), {}};
        call.args.reserve(args.size());
        for (const Arg& arg : args) call.args.push_back(arg.text());
        call_log.push_back(std::move(call));
    }
    if (failures.empty()) return false;
    auto found = failures.find(name);
    if (found == failures.end()) return false;
    Failure& failure = found->second;
    if (failure.pass > 0) {
        --failure.pass;
        return false;
    }
    forced = failure.result;
    if (--failure.fail <= 0) failures.erase(found);
    return true;
}

bool calls_watched() { return logging || !failures.empty(); }

void note_misuse(std::string_view what) {
    ++misuse;
    std::fprintf(stderr, "portable platform: %.*s\n", static_cast<int>(what.size()), what.data());
}

namespace {
const ResetHook reset_log(ResetOrder::call_log, [] {
    call_log.clear();
    logging = true;
    failures.clear();
    misuse = 0;
});
}  // namespace

}  // namespace detail

const std::vector<Call>& calls() { return call_log; }
void set_call_logging(bool on) { logging = on; }
std::string pointer_text(const void* pointer) { return detail::ptr(pointer).text(); }
void clear_calls() { call_log.clear(); }

std::vector<Call> calls_named(std::string_view name) {
    std::vector<Call> found;
    std::copy_if(call_log.begin(), call_log.end(), std::back_inserter(found),
                 [&](const Call& call) { return call.name == name; });
    return found;
}

int find_call(std::string_view name, std::size_t from) {
    for (std::size_t i = from; i < call_log.size(); ++i) {
        if (call_log[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

void fail_next(std::string_view name, int count, std::int64_t result) { fail_after(name, 0, count, result); }

void fail_after(std::string_view name, int pass_count, int fail_count, std::int64_t result) {
    if (fail_count <= 0) return;
    failures[std::string(name)] = Failure{pass_count, fail_count, result};
}

int misuse_count() { return misuse; }

}  // namespace platform
