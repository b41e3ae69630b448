// File primitives over Win32 handles; every path goes to the wide calls.
#include <windows.h>

#include <cwchar>

#include "skiplist/list_files.h"
#include "skiplist/list_path.h"
#include "skiplist/wide_path_win32.h"

const char kPathSeparator = '\\';

namespace {

HANDLE handleOf(ListFile file) { return reinterpret_cast<HANDLE>(file); }

bool isMissingError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// What another process holding the file open gives; it passes once that process lets go.
bool isBusyError(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

constexpr DWORD kReplacePause = 50;  // milliseconds between attempts

// The folder of path as a wide path ending in a separator.
bool folderOf(const char* path, wchar_t (&folder)[kWidePathWidth]) {
  if (!widenPath(path, folder)) return false;
  wchar_t* name = wcsrchr(folder, L'\\');
  if (name == nullptr) return false;
  name[1] = L'\0';
  return true;
}

}  // namespace

int32_t openListFile(const char* path, ListFile* file) {
  wchar_t wide[kWidePathWidth];
  if (!widenPath(path, wide)) return kListFileFailed;
  // Full sharing: another checker may read, write or replace the list meanwhile.
  HANDLE handle = CreateFileW(wide, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return isMissingError(GetLastError()) ? kListFileMissing : kListFileFailed;
  *file = reinterpret_cast<ListFile>(handle);
  return kListFileOk;
}

int32_t readListFile(ListFile file, char* buffer, int32_t capacity) {
  DWORD got = 0;
  if (!ReadFile(handleOf(file), buffer, static_cast<DWORD>(capacity), &got, nullptr)) return -1;
  return static_cast<int32_t>(got);
}

int32_t rewindListFile(ListFile file) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  return SetFilePointerEx(handleOf(file), start, nullptr, FILE_BEGIN) ? kListFileOk : kListFileFailed;
}

void closeListFile(ListFile file) { CloseHandle(handleOf(file)); }

static_assert(kWidePathWidth == sizeof(TempListFile::path) / sizeof(wchar_t));

int32_t createTempBeside(const char* path, TempListFile* temp) {
  static DWORD serial = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    DWORD unique = GetCurrentProcessId() * 2654435761u + GetTickCount() + serial++;
    char name[kTempPathWidth];
    if (!tempNameBeside(path, unique, name, sizeof name) || !widenPath(name, temp->path)) break;
    HANDLE handle = CreateFileW(temp->path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      temp->file = reinterpret_cast<ListFile>(handle);
      return kListFileOk;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  temp->path[0] = L'\0';
  return kListFileFailed;
}

int32_t writeListFile(ListFile file, const char* bytes, int32_t size) {
  while (size > 0) {
    DWORD put = 0;
    if (!WriteFile(handleOf(file), bytes, static_cast<DWORD>(size), &put, nullptr) || put == 0) return kListFileFailed;
    bytes += put;
    size -= static_cast<int32_t>(put);
  }
  return kListFileOk;
}

int32_t commitListFile(ListFile file) {
  bool flushed = FlushFileBuffers(handleOf(file)) != 0;
  bool closed = CloseHandle(handleOf(file)) != 0;
  return flushed && closed ? kListFileOk : kListFileFailed;
}

int32_t replaceListFile(const TempListFile& source, const char* target, uint32_t waitMilliseconds) {
  wchar_t wideTarget[kWidePathWidth];
  if (!widenPath(target, wideTarget)) return kListFileFailed;
  // Another process may have the list open for a while (a virus scanner right after a write,
  // a backup, another checker reading it): try again until the wait is used up.
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    // A read-only list stays as it is, at once. Windows refuses to replace one anyway; not
    // every implementation of the call does, so it is checked here.
    DWORD attributes = GetFileAttributesW(wideTarget);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return kListFileFailed;
    if (MoveFileExW(source.path, wideTarget, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return kListFileOk;
    if (!isBusyError(GetLastError()) || GetTickCount64() - start >= waitMilliseconds) return kListFileFailed;
    Sleep(kReplacePause);
  }
}

void removeStaleTempFiles(const char* path, uint32_t olderThanSeconds) {
  wchar_t folder[kWidePathWidth];
  wchar_t pattern[kWidePathWidth];
  if (!folderOf(path, folder) || wcslen(folder) + 10 > kWidePathWidth) return;
  wcscpy(pattern, folder);
  wcscat(pattern, L"~sl*.tmp");
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const ULONGLONG nowTicks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const ULONGLONG ageTicks = static_cast<ULONGLONG>(olderThanSeconds) * 10000000u;  // 100 ns each
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileExW(pattern, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern also matches short 8.3 names and longer ones: the exact name decides.
    char name[32];
    bool ours = WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, name, sizeof name, nullptr, nullptr) > 0 &&
                isTempListName(name) && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    const ULONGLONG written =
        (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
    if (ours && written < nowTicks && nowTicks - written > ageTicks &&
        wcslen(folder) + wcslen(found.cFileName) < kWidePathWidth) {
      wchar_t stale[kWidePathWidth];
      wcscpy(stale, folder);
      wcscat(stale, found.cFileName);
      DeleteFileW(stale);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void removeTempFile(const TempListFile& temp) { DeleteFileW(temp.path); }

int32_t pathKind(const char* path) {
  wchar_t wide[kWidePathWidth];
  if (!widenPath(path, wide)) return kPathOther;
  DWORD attributes = GetFileAttributesW(wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return isMissingError(GetLastError()) ? kPathMissing : kPathOther;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kPathFolder : kPathOther;
}

int32_t createFolder(const char* path) {
  wchar_t wide[kWidePathWidth];
  if (!widenPath(path, wide)) return kListFileFailed;
  return CreateDirectoryW(wide, nullptr) ? kListFileOk : kListFileFailed;
}
