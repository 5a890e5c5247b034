// The parts of the C++ runtime that the launcher defines for itself, so that
// the library's larger ones stay out of the link (scripts/link-map-sizes.py
// shows what each part costs).
//
// The launcher throws no exceptions and catches none: a standard-library error
// (out of memory, a string grown past its limit) has always ended it through
// std::terminate and abort. Here it aborts at once. Defining these functions
// keeps the library's exception classes out, with the strings of the old ABI
// they carry, and its default terminate handler, which names the exception's
// type with a symbol demangler: about 100 KB of each stub.
//
// Function-local statics are guarded by a slim lock and a condition variable
// instead of the library's guards, which bring the POSIX thread library and
// the exception machinery with them (about 40 KB).
//
// The stack protector's guard value and failure are defined here rather than
// taken from libssp, whose start-up acquires a cryptographic provider to seed
// the guard: that loads the provider's libraries into every launch.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <functional>
#include <new>
#include <string>

#include "platform/win32.h"

namespace std {

void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_bad_cast() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_bad_exception() { abort(); }
void __throw_bad_function_call() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }

}  // namespace std

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// Allocation with malloc, as the library's operator new does (its delete
// frees): out of memory, the new handler runs if one is set, else the launcher
// aborts instead of throwing; the nothrow forms return null.
void* operator new(std::size_t size) {
    for (;;) {
        if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) std::abort();
        handler();
    }
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size == 0 ? 1 : size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size == 0 ? 1 : size); }

// A static's guard: its first byte is set once the static is initialised
// (the compiler's inline check reads it); its second while a thread is
// initialising it, when other threads wait.
namespace {

SRWLOCK guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE guardChanged = CONDITION_VARIABLE_INIT;

unsigned char* guardBytes(int64_t* guard) { return reinterpret_cast<unsigned char*>(guard); }

}  // namespace

extern "C" int __cxa_guard_acquire(int64_t* guard) {
    unsigned char* bytes = guardBytes(guard);
    if (__atomic_load_n(&bytes[0], __ATOMIC_ACQUIRE) != 0) return 0;
    AcquireSRWLockExclusive(&guardLock);
    while (bytes[1] != 0) SleepConditionVariableSRW(&guardChanged, &guardLock, INFINITE, 0);
    const bool done = bytes[0] != 0;
    if (!done) bytes[1] = 1;
    ReleaseSRWLockExclusive(&guardLock);
    return done ? 0 : 1;
}

extern "C" void __cxa_guard_release(int64_t* guard) {
    unsigned char* bytes = guardBytes(guard);
    AcquireSRWLockExclusive(&guardLock);
    bytes[1] = 0;
    __atomic_store_n(&bytes[0], 1, __ATOMIC_RELEASE);
    ReleaseSRWLockExclusive(&guardLock);
    WakeAllConditionVariable(&guardChanged);
}

extern "C" void __cxa_guard_abort(int64_t* guard) {
    AcquireSRWLockExclusive(&guardLock);
    guardBytes(guard)[1] = 0;
    ReleaseSRWLockExclusive(&guardLock);
    WakeAllConditionVariable(&guardChanged);
}

// The stack protector: the guard is set before WinMain runs (constructors run
// from the C runtime's start-up, which is not protected), from the values the
// Visual C++ runtime also mixes into its security cookie; a failed check ends
// the process at once, as Windows' fail-fast does.
extern "C" {

uintptr_t __stack_chk_guard = static_cast<uintptr_t>(0x2f6b5a4c0d3e9f17ull);

__attribute__((noreturn)) void __stack_chk_fail() {
    constexpr unsigned kStackCookieCheckFailure = 2;       // FAST_FAIL_STACK_COOKIE_CHECK_FAILURE
    constexpr unsigned kStatusStackBufferOverrun = 0xC0000409;
    __asm__ volatile("int $0x29" : : "c"(kStackCookieCheckFailure));
    TerminateProcess(GetCurrentProcess(), kStatusStackBufferOverrun);
    __builtin_unreachable();
}

}  // extern "C"

namespace {

__attribute__((constructor, no_stack_protector)) void seedStackGuard() {
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint64_t seed = (static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) ^
                    static_cast<uint64_t>(counter.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
                    (static_cast<uint64_t>(GetCurrentThreadId()) << 16) ^ GetTickCount() ^
                    reinterpret_cast<uintptr_t>(&time);
    // A multiplicative mix spreads the few changing bits over the whole word.
    seed ^= seed >> 33;
    seed *= 0xff51afd7ed558ccdull;
    seed ^= seed >> 33;
    __stack_chk_guard = static_cast<uintptr_t>(seed) ^ __stack_chk_guard;
}

}  // namespace
