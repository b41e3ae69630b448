// Session locks as named mutexes in the session's own namespace.
#include <windows.h>

#include "skiplist/session_lock.h"

int32_t takeSessionLock(const char* name, uint32_t waitMilliseconds, SessionLock* lock) {
  wchar_t wide[128];
  int width = static_cast<int>(sizeof wide / sizeof wide[0]);
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, width) <= 0) return kLockFailed;
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide);
  if (mutex == nullptr) return kLockFailed;
  // An abandoned mutex is ours now: its holder ended, and every list save is whole or not at all.
  DWORD waited = WaitForSingleObject(mutex, waitMilliseconds);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
    *lock = reinterpret_cast<SessionLock>(mutex);
    return kLockTaken;
  }
  CloseHandle(mutex);
  return waited == WAIT_TIMEOUT ? kLockBusy : kLockFailed;
}

void releaseSessionLock(SessionLock lock) {
  HANDLE mutex = reinterpret_cast<HANDLE>(lock);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

uint64_t monotonicMilliseconds() { return GetTickCount64(); }
