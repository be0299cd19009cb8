// What every object of the portable DirectDraw and Direct3D shares: counted
// references, a record that outlives the object so misuse after the last
// release is seen, and the call-log name of each method, made from the
// object's interface name, so a method is only its body.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <memory>

#include "../control/call_log.h"

namespace platform::detail {

struct Device;

struct Tracked {
    explicit Tracked(const char* name) : kind(name) {}
    virtual ~Tracked();
    virtual void destroy() {}
    virtual Device* device_owner() const { return nullptr; }

    static Tracked* adopt(std::unique_ptr<Tracked> object);
    bool check_alive(const char* method) const;
    ULONG add_ref();
    ULONG release();

    // Logs the method "<interface>::<method>"; see `logged`.
    template <typename Result>
    auto call(const char* method, std::initializer_list<Arg> args) const {
        // A long run without the log makes no name for each of its calls.
        if (!calls_watched()) return decltype(logged<Result>(method, args)){};
        char name[96];
        std::snprintf(name, sizeof name, "%s::%s", kind, method);
        return logged<Result>(name, args);
    }

    const char* kind;
    ULONG references = 1;
    bool alive = true;
};

// A COM object with the given interfaces. QueryInterface answers no
// interface unless the object says otherwise.
template <typename... Interfaces>
struct ComObject : Interfaces..., Tracked {
    explicit ComObject(const char* name) : Tracked(name) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        if (auto failed = call<HRESULT>("QueryInterface", {ptr(this)})) return *failed;
        if (object != nullptr) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        if (auto failed = call<ULONG>("AddRef", {ptr(this)})) return *failed;
        return add_ref();
    }
    ULONG STDMETHODCALLTYPE Release() override {
        if (auto failed = call<ULONG>("Release", {ptr(this)})) return *failed;
        return release();
    }
};

}  // namespace platform::detail
