// Test only, linked into a copy of the checker (tests/failing/CorvaneUpdateChecker.exe), never
// into the shipped one: makes chosen imported calls of the program fail, to see that a check ends
// right whatever fails.
//
//   CORVANE_FAIL_CALLS=SetWindowPos,ShowWindow,PostMessageW:1
//
// Each named call returns FALSE or 0 (last error ERROR_ACCESS_DENIED; E_ACCESSDENIED for an HRESULT)
// every time, or with ":N" its first N times, without reaching its DLL. Before wWinMain runs, this unit's static initializer
// points the exe's own import slots at stand-ins. A named call the program does not import
// ends it at once with exit code 3, so a misspelt name cannot pass for a fault handled.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

struct FailingCall {
  const char* name;
  ULONG_PTR standIn;
  ULONG_PTR real;            // the import slot's value before it was repointed
  std::atomic<long> left;    // failures still to come; negative: every call
};

enum : int {
  kSetWindowPos, kShowWindow, kDestroyWindow, kPostMessageW, kSetTimer, kCreateTimerQueueTimer, kCoCreateInstance,
  kCallCount
};

FailingCall calls[kCallCount] = {};

bool failsNow(int index) {
  std::atomic<long>& left = calls[index].left;
  long now = left.load();
  for (;;) {
    if (now == 0) return false;
    if (now < 0 || left.compare_exchange_weak(now, now - 1)) break;
  }
  SetLastError(ERROR_ACCESS_DENIED);
  return true;
}

template <typename Function>
Function realOf(int index) {
  return reinterpret_cast<Function>(calls[index].real);
}

BOOL WINAPI setWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (failsNow(kSetWindowPos)) return FALSE;
  return realOf<decltype(&SetWindowPos)>(kSetWindowPos)(window, after, x, y, cx, cy, flags);
}

BOOL WINAPI showWindow(HWND window, int command) {
  if (failsNow(kShowWindow)) return FALSE;
  return realOf<decltype(&ShowWindow)>(kShowWindow)(window, command);
}

BOOL WINAPI destroyWindow(HWND window) {
  if (failsNow(kDestroyWindow)) return FALSE;
  return realOf<decltype(&DestroyWindow)>(kDestroyWindow)(window);
}

BOOL WINAPI postMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (failsNow(kPostMessageW)) return FALSE;
  return realOf<decltype(&PostMessageW)>(kPostMessageW)(window, message, wParam, lParam);
}

UINT_PTR WINAPI setTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC function) {
  if (failsNow(kSetTimer)) return 0;
  return realOf<decltype(&SetTimer)>(kSetTimer)(window, id, elapse, function);
}

BOOL WINAPI createTimerQueueTimer(PHANDLE timer, HANDLE queue, WAITORTIMERCALLBACK function, PVOID context,
                                  DWORD due, DWORD period, ULONG flags) {
  if (failsNow(kCreateTimerQueueTimer)) return FALSE;
  return realOf<decltype(&CreateTimerQueueTimer)>(kCreateTimerQueueTimer)(timer, queue, function, context, due,
                                                                          period, flags);
}

// An HRESULT call fails with E_ACCESSDENIED: FALSE would read as S_OK.
HRESULT WINAPI coCreateInstance(REFCLSID type, IUnknown* outer, DWORD context, REFIID wanted, void** object) {
  if (failsNow(kCoCreateInstance)) return E_ACCESSDENIED;
  return realOf<decltype(&CoCreateInstance)>(kCoCreateInstance)(type, outer, context, wanted, object);
}

void describe(int index, const char* name, ULONG_PTR standIn) {
  calls[index].name = name;
  calls[index].standIn = standIn;
}

// "Name" or "Name:N", one entry of the list.
bool chooseFailure(const char* entry, std::size_t length) {
  const char* colon = static_cast<const char*>(std::memchr(entry, ':', length));
  std::size_t nameLength = colon != nullptr ? static_cast<std::size_t>(colon - entry) : length;
  for (FailingCall& call : calls) {
    if (std::strlen(call.name) != nameLength || std::strncmp(call.name, entry, nameLength) != 0) continue;
    call.left = colon != nullptr ? std::atol(colon + 1) : -1;
    return call.left != 0;
  }
  return false;
}

// The exe's import slots for the chosen calls now lead to the stand-ins. The linker may have
// made the slots read-only: they are opened for writing for the moment it takes.
void repointImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  const auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; dll->Name != 0; ++dll) {
    const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      for (FailingCall& call : calls) {
        if (call.left == 0 || call.real != 0 || std::strcmp(call.name, name) != 0) continue;
        DWORD protection = 0;
        if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection)) continue;
        call.real = static_cast<ULONG_PTR>(slots->u1.Function);
        slots->u1.Function = call.standIn;
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      }
    }
  }
}

bool armFailures() {
  describe(kSetWindowPos, "SetWindowPos", reinterpret_cast<ULONG_PTR>(&setWindowPos));
  describe(kShowWindow, "ShowWindow", reinterpret_cast<ULONG_PTR>(&showWindow));
  describe(kDestroyWindow, "DestroyWindow", reinterpret_cast<ULONG_PTR>(&destroyWindow));
  describe(kPostMessageW, "PostMessageW", reinterpret_cast<ULONG_PTR>(&postMessageW));
  describe(kSetTimer, "SetTimer", reinterpret_cast<ULONG_PTR>(&setTimer));
  describe(kCreateTimerQueueTimer, "CreateTimerQueueTimer", reinterpret_cast<ULONG_PTR>(&createTimerQueueTimer));
  describe(kCoCreateInstance, "CoCreateInstance", reinterpret_cast<ULONG_PTR>(&coCreateInstance));
  char wanted[256] = {};
  DWORD length = GetEnvironmentVariableA("CORVANE_FAIL_CALLS", wanted, sizeof wanted);
  if (length == 0) return true;
  bool understood = length < sizeof wanted;
  for (const char* entry = wanted; understood && *entry != '\0';) {
    std::size_t entryLength = std::strcspn(entry, ",");
    understood = chooseFailure(entry, entryLength);
    entry += entryLength + (entry[entryLength] == ',' ? 1 : 0);
  }
  if (understood) repointImports();
  for (const FailingCall& call : calls) {
    if (call.left != 0 && call.real == 0) understood = false;
  }
  if (!understood) ExitProcess(3);
  return true;
}

[[maybe_unused]] const bool armed = armFailures();

}  // namespace
