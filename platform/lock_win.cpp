#include "platform/lock.h"

#include "platform/win32.h"

static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer, zero when unlocked");

void Lock::lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&state_)); }

void Lock::unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&state_)); }
