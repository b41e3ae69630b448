#pragma once
// Locks shared by every checker of the user's session, one per name (a named mutex on Windows).
// Names are ASCII and hold no backslash after their namespace prefix.
#include <cstdint>

using SessionLock = intptr_t;

constexpr int32_t kLockTaken = 0;   // held by this thread until released or the process ends
constexpr int32_t kLockBusy = 1;    // another process held it for the whole wait
constexpr int32_t kLockFailed = 2;  // no such lock could be made; go on without it

// Waits at most waitMilliseconds for the lock of that name. A lock left by a process that
// ended while holding it counts as free.
int32_t takeSessionLock(const char* name, uint32_t waitMilliseconds, SessionLock* lock);
void releaseSessionLock(SessionLock lock);

// Milliseconds on a clock that only moves forward, for waits that share one time budget.
uint64_t monotonicMilliseconds();
