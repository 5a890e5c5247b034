// A plain mutual-exclusion lock for code shared by the launcher and the host
// tools. The launcher's is a slim reader/writer lock: a zeroed pointer needs
// no set-up or clean-up, and it brings in no threading library. Elsewhere it
// is std::mutex.
#pragma once

#if defined(_WIN32)

class Lock {
public:
    constexpr Lock() = default;
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void lock();
    void unlock();

private:
    void* state_ = nullptr;  // an SRWLOCK, initially unlocked
};

#else

#include <mutex>
using Lock = std::mutex;

#endif

// Holds a lock for its scope.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : lock_(lock) { lock_.lock(); }
    ~LockGuard() { lock_.unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lock& lock_;
};
