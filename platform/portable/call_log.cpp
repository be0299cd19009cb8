// The call log and failure injection behind control.h.
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "control.h"
#include "internal.h"

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

std::string num(std::int64_t value) { return std::to_string(value); }

std::string hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

std::string ptr(const void* pointer) {
    return pointer == nullptr ? std::string("null") : hex(reinterpret_cast<std::uintptr_t>(pointer));
}

std::string flt(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string str(const char* text) { return text == nullptr ? std::string("null") : std::string(text); }

bool enter(std::string_view name, std::initializer_list<std::string> args, std::int64_t& forced) {
    if (logging) call_log.push_back(Call{std::string(name), std::vector<std::string>(args)});
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

void note_misuse(std::string_view what) {
    ++misuse;
    std::fprintf(stderr, "portable platform: %.*s\n", static_cast<int>(what.size()), what.data());
}

void reset_log() {
    call_log.clear();
    logging = true;
    failures.clear();
    misuse = 0;
}

}  // namespace detail

const std::vector<Call>& calls() { return call_log; }
void set_call_logging(bool on) { logging = on; }
std::string pointer_text(const void* pointer) { return detail::ptr(pointer); }
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
