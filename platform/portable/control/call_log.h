// How every platform call of the portable platform begins: it is logged with
// its arguments, and a failure injected for it is returned instead of its
// work. A call is its body after one line:
//     if (auto failed = logged<BOOL>("ShowWindow", {ptr(window), num(show)})) return *failed;
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "../../win32.h"

namespace platform::detail {

// One argument of a logged call, kept as its value: it becomes text only when
// the call log is on, so a program that runs with the log off pays nothing
// for formatting. Joined with `+` it gives the text at once, for the few
// arguments that are written as several values.
class Value {
public:
    enum class Kind : std::uint8_t { number, hex, pointer, real, text };
    constexpr Value(Kind kind, std::int64_t number) : kind_(kind), number_(number) {}
    constexpr Value(double real) : kind_(Kind::real), real_(real) {}
    constexpr Value(const void* pointer) : kind_(Kind::pointer), pointer_(pointer) {}
    constexpr Value(const char* text) : kind_(Kind::text), text_(text) {}
    std::string text() const;
    operator std::string() const { return text(); }
    friend std::string operator+(const Value& left, const char* right) { return left.text() + right; }
    friend std::string operator+(std::string left, const Value& right) { return left += right.text(); }

private:
    Kind kind_;
    union {
        std::int64_t number_;
        double real_;
        const void* pointer_;
        const char* text_;
    };
};

// What `enter` takes: a value, or text built by the caller, which outlives
// the call it is passed to.
class Arg {
public:
    Arg(const Value& value) : value_(value) {}
    Arg(const char* text) : value_(text) {}
    Arg(const std::string& text) : value_(static_cast<const char*>(nullptr)), built_(&text) {}
    std::string text() const { return built_ != nullptr ? *built_ : value_.text(); }

private:
    Value value_;
    const std::string* built_ = nullptr;
};

inline Value num(std::int64_t value) { return Value(Value::Kind::number, value); }
inline Value hex(std::uint64_t value) { return Value(Value::Kind::hex, static_cast<std::int64_t>(value)); }
inline Value ptr(const void* pointer) { return Value(pointer); }
inline Value str(const char* text) { return Value(text); }
inline Value flt(double value) { return Value(value); }

// Logs the call and reports whether a failure was injected for it; when it
// was, `forced` holds the result the call must return.
bool enter(std::string_view name, std::initializer_list<Arg> args, std::int64_t& forced);

// Whether a call's name is wanted at all: the log is on, or a failure waits.
bool calls_watched();

// Calls on objects that no longer exist, or releases past zero.
void note_misuse(std::string_view what);

}  // namespace platform::detail

// Helper for returning an injected result as the function's own type.
template <typename T>
T forced_as(std::int64_t value) {
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<std::intptr_t>(value));
    } else {
        return static_cast<T>(value);
    }
}

namespace platform::detail {

// The forced result of a logged call, or nothing when it is to do its work.
// A call without a result reports only whether it was forced.
template <typename Result>
auto logged(std::string_view name, std::initializer_list<Arg> args) {
    std::int64_t forced = 0;
    const bool failed = enter(name, args, forced);
    if constexpr (std::is_void_v<Result>) {
        return failed;
    } else {
        return failed ? std::optional<Result>(forced_as<Result>(forced)) : std::nullopt;
    }
}

}  // namespace platform::detail
