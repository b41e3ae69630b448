// Stand-in for the native build, whose tests run one checker at a time: every lock is free.
#include "skiplist/session_lock.h"

#include <ctime>

int32_t takeSessionLock(const char*, uint32_t, SessionLock* lock) {
  *lock = 0;
  return kLockTaken;
}

void releaseSessionLock(SessionLock) {}

uint64_t monotonicMilliseconds() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;  // a defined answer, not an unset timespec
  return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}
