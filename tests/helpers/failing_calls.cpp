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
#include <type_traits>

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

// What a failed call gives: FALSE, 0 or no handle; an HRESULT call E_ACCESSDENIED (FALSE would
// read as S_OK); a registry call the error itself.
template <typename Result>
Result failure(intptr_t value) {
  if constexpr (std::is_pointer_v<Result>) {
    return reinterpret_cast<Result>(value);
  } else {
    return static_cast<Result>(value);
  }
}

// One stand-in for each call, of the call's own type (64-bit: one calling convention).
template <int index, typename Function, intptr_t failed>
struct StandIn;

template <int index, typename Result, typename... Args, intptr_t failed>
struct StandIn<index, Result (*)(Args...), failed> {
  static Result call(Args... args) {
    if (failsNow(index)) return failure<Result>(failed);
    return reinterpret_cast<Result (*)(Args...)>(calls[index].real)(args...);
  }
};

BOOL WINAPI getTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind, LPVOID info, DWORD size,
                                PDWORD needed) {
  if (failsNow(kGetTokenInformation)) return FALSE;
  auto real = reinterpret_cast<decltype(&GetTokenInformation)>(calls[kGetTokenInformation].real);
  BOOL read = real(token, kind, info, size, needed);
  if (read && limitedToken && kind == TokenElevation && size >= sizeof(TOKEN_ELEVATION)) {
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = 0;
  }
  return read;
}

#define STAND_IN(name, failed) {#name, reinterpret_cast<ULONG_PTR>(&StandIn<k##name, decltype(&name), failed>::call)}

// In the order of the enum above.
const struct {
  const char* name;
  ULONG_PTR standIn;
} kStandIns[kCallCount] = {
    STAND_IN(SetWindowPos, FALSE), STAND_IN(ShowWindow, FALSE), STAND_IN(DestroyWindow, FALSE),
    STAND_IN(PostMessageW, FALSE), STAND_IN(SetTimer, 0), STAND_IN(CreateTimerQueueTimer, FALSE),
    STAND_IN(CoCreateInstance, E_ACCESSDENIED), STAND_IN(CreateFileW, -1 /* INVALID_HANDLE_VALUE */),
    STAND_IN(ReadFile, FALSE), STAND_IN(WriteFile, FALSE), STAND_IN(FlushFileBuffers, FALSE),
    STAND_IN(MoveFileExW, FALSE), STAND_IN(LoadLibraryExW, 0), STAND_IN(ShellExecuteExW, FALSE),
    STAND_IN(RegGetValueW, ERROR_ACCESS_DENIED), STAND_IN(CreateMutexW, 0),
    STAND_IN(SHGetKnownFolderPath, E_ACCESSDENIED),
    {"GetTokenInformation", reinterpret_cast<ULONG_PTR>(&getTokenInformation)},
};

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
  for (int i = 0; i < kCallCount; ++i) {
    calls[i].name = kStandIns[i].name;
    calls[i].standIn = kStandIns[i].standIn;
  }
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
