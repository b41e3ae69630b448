#include "presentation/debug_output_win32.h"

#include <windows.h>

#include <atomic>

#include "app/check_record.h"
#include "presentation/debug_lines.h"
#include "presentation/wide_text.h"

namespace {

// The longest a debug viewer holds one line before the writer goes on without it.
constexpr DWORD kViewerHoldMs = 10000;

char asideLine[kDebugLineWidth];
HANDLE asideWriter = nullptr;
std::atomic<bool> asideKept{false};  // the line waits for a thread that may wait

DWORD WINAPI writeAside(LPVOID) {
  writeDebugLine(asideLine);
  return 0;
}

}  // namespace

void writeDebugLine(const char* line) {
  wchar_t wide[kDebugLineWidth];
  widenLatin1Into(line, wide, kDebugLineWidth);
  OutputDebugStringW(wide);
}

void writeDebugLineAside(const char* line) {
  if (asideWriter != nullptr || asideKept) return;
  copyBounded(asideLine, line, sizeof asideLine);
  asideWriter = CreateThread(nullptr, 0, writeAside, nullptr, 0, nullptr);
  if (asideWriter == nullptr) asideKept = true;
}

void awaitDebugLineAside() {
  if (asideWriter != nullptr) WaitForSingleObject(asideWriter, kViewerHoldMs);
}

void writeKeptDebugLine() {
  if (asideKept.exchange(false)) writeDebugLine(asideLine);
}
