#include "app/process_deadline_win32.h"

#include <windows.h>

#include <atomic>
#include <cstring>

#include "presentation/debug_output_win32.h"

namespace {

// The count of windows in view, and this bit once the watcher has begun to end the process: a
// window must not come into view then.
constexpr uint32_t kEnding = 1u << 31;
std::atomic<uint32_t> viewState{0};
std::atomic<uint64_t> endsAt{0};
std::atomic<uint32_t> running{0};
HANDLE clockChanged = nullptr;  // wakes the watcher to read the clock again

// The line may wait on a debug viewer or a full pipe: it gets this long, then the process ends.
constexpr DWORD kEndingLineWaitMs = 1000;
constexpr DWORD kWriterGoneMs = 50;
char endingLine[kEndingLineWidth];

DWORD WINAPI writeEndingLine(LPVOID) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), endingLine, static_cast<DWORD>(std::strlen(endingLine)), &written, nullptr);
  writeDebugLine(endingLine);
  return 0;
}

[[noreturn]] void endNow() {
  TerminateProcess(GetCurrentProcess(), 0);
  ExitProcess(0);  // only should TerminateProcess be refused
}

DWORD WINAPI watchClock(LPVOID) {
  for (;;) {
    uint32_t view = viewState.load();
    uint64_t wait = msBeforeEnding(ProcessClock{view, endsAt.load()}, GetTickCount64());
    if (wait == 0 && viewState.compare_exchange_strong(view, kEnding)) break;
    if (wait != 0) WaitForSingleObject(clockChanged, wait >= INFINITE ? INFINITE : static_cast<DWORD>(wait));
  }
  composeEndingLine(running.load(), endingLine);
  HANDLE writer = CreateThread(nullptr, 0, writeEndingLine, nullptr, 0, nullptr);
  // A thread still tearing itself down as the process ends can crash it under Wine (the exit
  // code is then lost): a writer that has ended gets a moment to be gone.
  if (writer != nullptr && WaitForSingleObject(writer, kEndingLineWaitMs) == WAIT_OBJECT_0) Sleep(kWriterGoneMs);
  endNow();
}

void restartClock(uint64_t bound) { endsAt.store(GetTickCount64() + bound); }

void wakeWatcher() {
  if (clockChanged != nullptr) SetEvent(clockChanged);
}

}  // namespace

void startProcessDeadline() {
  restartClock(kStartBoundMs);
  clockChanged = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (clockChanged == nullptr) return;  // nothing could wake a watcher from its wait
  HANDLE watcher = CreateThread(nullptr, 0, watchClock, nullptr, 0, nullptr);
  if (watcher != nullptr) CloseHandle(watcher);
}

void windowInView() {
  // The watcher has begun to end the process: no window is shown that it would take away.
  if (viewState.fetch_add(1) & kEnding) Sleep(INFINITE);
  wakeWatcher();
}

void windowOutOfView() {
  restartClock(kAfterAnswerBoundMs);
  viewState.fetch_sub(1);
  wakeWatcher();
}

void beginActivity(Activity activity) { running.fetch_or(activity); }

void endActivity(Activity activity) { running.fetch_and(~static_cast<uint32_t>(activity)); }

void endAtOnceIfStillBusy() {
  if ((running.load() & kOpeningAddress) != 0) endNow();
}
