// Test only, linked into a copy of the checker (tests/failing/CorvaneUpdateChecker.exe), never
// into the shipped one: makes chosen imported calls of the program, of any DLL, fail or hang, to
// see that a check ends right whatever fails or never returns.
//
//   CORVANE_FAIL_CALLS=SetWindowPos,ShowWindow,PostMessageW:1
//   CORVANE_STALL_CALLS=ReadFile:1:150000,MoveFileExW:2:60000
//   CORVANE_TOKEN=limited
//
// A failing call returns FALSE, 0 or no handle (last error ERROR_ACCESS_DENIED; E_ACCESSDENIED
// for an HRESULT, the error itself for a registry call) every time, or with ":N" its first N
// times, without reaching its DLL. A stalled call sleeps MS milliseconds at its Nth call (counted
// from 1), then goes on as it would have. CORVANE_TOKEN=limited makes the token's elevation read
// as not elevated, as a plain start's does on Windows. Before wWinMain runs, this unit's static
// initializer points the exe's own import slots at stand-ins. A named call the program does not
// import ends it at once with exit code 3, so a misspelt name cannot pass for a fault handled.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

struct ImportedCall {
  const char* name;
  ULONG_PTR standIn;
  ULONG_PTR real;             // the import slot's value before it was repointed
  std::atomic<long> left;     // failures still to come; negative: every call
  long stallAt;               // the call (from 1) that stalls; 0: none
  DWORD stallMs;
  std::atomic<long> made;     // calls made so far
  bool wanted;                // its slot is to be repointed
};

enum : int {
  kSetWindowPos, kShowWindow, kDestroyWindow, kPostMessageW, kSetTimer, kCreateTimerQueueTimer, kCoCreateInstance,
  kCreateFileW, kReadFile, kWriteFile, kFlushFileBuffers, kMoveFileExW, kLoadLibraryExW, kShellExecuteExW,
  kRegGetValueW, kCreateMutexW, kSHGetKnownFolderPath, kGetTokenInformation,
  kCallCount
};

ImportedCall calls[kCallCount] = {};
bool limitedToken = false;

// Every stand-in starts here: the chosen call stalls, then fails or goes on to the real one.
bool failsNow(int index) {
  ImportedCall& call = calls[index];
  if (call.stallAt != 0 && call.made.fetch_add(1) + 1 == call.stallAt) Sleep(call.stallMs);
  std::atomic<long>& left = call.left;
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

HANDLE WINAPI createFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                          DWORD flags, HANDLE model) {
  if (failsNow(kCreateFileW)) return INVALID_HANDLE_VALUE;
  return realOf<decltype(&CreateFileW)>(kCreateFileW)(name, access, share, security, creation, flags, model);
}

BOOL WINAPI readFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (failsNow(kReadFile)) return FALSE;
  return realOf<decltype(&ReadFile)>(kReadFile)(file, buffer, size, read, overlapped);
}

BOOL WINAPI writeFile(HANDLE file, LPCVOID buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  if (failsNow(kWriteFile)) return FALSE;
  return realOf<decltype(&WriteFile)>(kWriteFile)(file, buffer, size, written, overlapped);
}

BOOL WINAPI flushFileBuffers(HANDLE file) {
  if (failsNow(kFlushFileBuffers)) return FALSE;
  return realOf<decltype(&FlushFileBuffers)>(kFlushFileBuffers)(file);
}

BOOL WINAPI moveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (failsNow(kMoveFileExW)) return FALSE;
  return realOf<decltype(&MoveFileExW)>(kMoveFileExW)(from, to, flags);
}

HMODULE WINAPI loadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  if (failsNow(kLoadLibraryExW)) return nullptr;
  return realOf<decltype(&LoadLibraryExW)>(kLoadLibraryExW)(name, file, flags);
}

BOOL WINAPI shellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (failsNow(kShellExecuteExW)) return FALSE;
  return realOf<decltype(&ShellExecuteExW)>(kShellExecuteExW)(info);
}

// The registry's calls give their error as the result.
LSTATUS WINAPI regGetValueW(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags, LPDWORD type, PVOID data,
                            LPDWORD size) {
  if (failsNow(kRegGetValueW)) return ERROR_ACCESS_DENIED;
  return realOf<decltype(&RegGetValueW)>(kRegGetValueW)(key, subKey, value, flags, type, data, size);
}

HANDLE WINAPI createMutexW(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCWSTR name) {
  if (failsNow(kCreateMutexW)) return nullptr;
  return realOf<decltype(&CreateMutexW)>(kCreateMutexW)(security, owned, name);
}

HRESULT WINAPI shGetKnownFolderPath(REFKNOWNFOLDERID folder, DWORD flags, HANDLE token, PWSTR* path) {
  if (failsNow(kSHGetKnownFolderPath)) {
    *path = nullptr;
    return E_ACCESSDENIED;
  }
  return realOf<decltype(&SHGetKnownFolderPath)>(kSHGetKnownFolderPath)(folder, flags, token, path);
}

BOOL WINAPI getTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size,
                                PDWORD needed) {
  if (failsNow(kGetTokenInformation)) return FALSE;
  BOOL read = realOf<decltype(&GetTokenInformation)>(kGetTokenInformation)(token, kind, info, size, needed);
  if (read && limitedToken && kind == TokenElevation && size >= sizeof(TOKEN_ELEVATION)) {
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = 0;
  }
  return read;
}

template <typename Function>
void describe(int index, const char* name, Function standIn) {
  calls[index].name = name;
  calls[index].standIn = reinterpret_cast<ULONG_PTR>(standIn);
}

ImportedCall* callNamed(const char* name, std::size_t length) {
  for (ImportedCall& call : calls) {
    if (std::strlen(call.name) == length && std::strncmp(call.name, name, length) == 0) return &call;
  }
  return nullptr;
}

// "Name" or "Name:N" to fail, "Name:N:MS" to stall: one entry of a list.
bool choose(const char* entry, std::size_t length, bool stall) {
  const char* colon = static_cast<const char*>(std::memchr(entry, ':', length));
  ImportedCall* call = callNamed(entry, colon != nullptr ? static_cast<std::size_t>(colon - entry) : length);
  if (call == nullptr) return false;
  if (stall) {
    const char* second = colon != nullptr ? std::strchr(colon + 1, ':') : nullptr;
    if (second == nullptr || second >= entry + length) return false;
    call->stallAt = std::atol(colon + 1);
    call->stallMs = static_cast<DWORD>(std::atol(second + 1));
    if (call->stallAt <= 0) return false;
  } else {
    call->left = colon != nullptr ? std::atol(colon + 1) : -1;
    if (call->left == 0) return false;
  }
  call->wanted = true;
  return true;
}

bool chooseAll(const char* variable, bool stall) {
  char wanted[1024] = {};
  DWORD length = GetEnvironmentVariableA(variable, wanted, sizeof wanted);
  if (length == 0) return true;
  bool understood = length < sizeof wanted;
  for (const char* entry = wanted; understood && *entry != '\0';) {
    std::size_t entryLength = std::strcspn(entry, ",");
    understood = choose(entry, entryLength, stall);
    entry += entryLength + (entry[entryLength] == ',' ? 1 : 0);
  }
  return understood;
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
      for (ImportedCall& call : calls) {
        if (!call.wanted || call.real != 0 || std::strcmp(call.name, name) != 0) continue;
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
  describe(kSetWindowPos, "SetWindowPos", &setWindowPos);
  describe(kShowWindow, "ShowWindow", &showWindow);
  describe(kDestroyWindow, "DestroyWindow", &destroyWindow);
  describe(kPostMessageW, "PostMessageW", &postMessageW);
  describe(kSetTimer, "SetTimer", &setTimer);
  describe(kCreateTimerQueueTimer, "CreateTimerQueueTimer", &createTimerQueueTimer);
  describe(kCoCreateInstance, "CoCreateInstance", &coCreateInstance);
  describe(kCreateFileW, "CreateFileW", &createFileW);
  describe(kReadFile, "ReadFile", &readFile);
  describe(kWriteFile, "WriteFile", &writeFile);
  describe(kFlushFileBuffers, "FlushFileBuffers", &flushFileBuffers);
  describe(kMoveFileExW, "MoveFileExW", &moveFileExW);
  describe(kLoadLibraryExW, "LoadLibraryExW", &loadLibraryExW);
  describe(kShellExecuteExW, "ShellExecuteExW", &shellExecuteExW);
  describe(kRegGetValueW, "RegGetValueW", &regGetValueW);
  describe(kCreateMutexW, "CreateMutexW", &createMutexW);
  describe(kSHGetKnownFolderPath, "SHGetKnownFolderPath", &shGetKnownFolderPath);
  describe(kGetTokenInformation, "GetTokenInformation", &getTokenInformation);
  char token[16] = {};
  DWORD tokenLength = GetEnvironmentVariableA("CORVANE_TOKEN", token, sizeof token);
  limitedToken = tokenLength != 0 && std::strcmp(token, "limited") == 0;
  bool understood = (tokenLength == 0 || limitedToken) && chooseAll("CORVANE_FAIL_CALLS", false) &&
                    chooseAll("CORVANE_STALL_CALLS", true);
  calls[kGetTokenInformation].wanted = calls[kGetTokenInformation].wanted || limitedToken;
  if (understood) repointImports();
  for (const ImportedCall& call : calls) {
    if (call.wanted && call.real == 0) understood = false;
  }
  if (!understood) ExitProcess(3);
  return true;
}

[[maybe_unused]] const bool armed = armFailures();

}  // namespace
