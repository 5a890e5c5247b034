// Owning wrappers for Win32 handles. The invalid value is part of each policy:
// NULL for most handles, INVALID_HANDLE_VALUE for files and directory searches.
#pragma once

#include <utility>

#include "platform/win32.h"

template <typename Policy>
class UniqueResource {
public:
    using Type = typename Policy::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value_(value) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    bool valid() const { return value_ != Policy::invalid() && value_ != Type(); }
    explicit operator bool() const { return valid(); }
    Type release() { return std::exchange(value_, Policy::invalid()); }
    void reset(Type value = Policy::invalid()) {
        Type old = std::exchange(value_, value);
        if (old != Policy::invalid() && old != Type()) Policy::close(old);
    }

private:
    Type value_ = Policy::invalid();
};

struct KernelHandlePolicy {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static void close(Type h) { CloseHandle(h); }
};

struct FileHandlePolicy {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { CloseHandle(h); }
};

struct FindHandlePolicy {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static void close(Type h) { FindClose(h); }
};

struct RegistryKeyPolicy {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static void close(Type h) { RegCloseKey(h); }
};

using UniqueHandle = UniqueResource<KernelHandlePolicy>;
using UniqueFile = UniqueResource<FileHandlePolicy>;
using UniqueFind = UniqueResource<FindHandlePolicy>;
using UniqueKey = UniqueResource<RegistryKeyPolicy>;

// Runs a function when the scope ends (restoring PATH and the like).
template <typename F>
class ScopeGuard {
public:
    explicit ScopeGuard(F f) : f_(std::move(f)) {}
    ~ScopeGuard() {
        if (active_) f_();
    }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    void dismiss() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};
