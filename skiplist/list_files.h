#pragma once
// File and folder primitives of the skip-list store, one adapter per platform.
// Paths are UTF-8; each adapter converts them at the call.
#include <cstddef>
#include <cstdint>

// An open file: a HANDLE on Windows, a descriptor elsewhere.
using ListFile = intptr_t;

// Result codes.
constexpr int32_t kListFileOk = 0;
constexpr int32_t kListFileMissing = 1;  // nothing of that name
constexpr int32_t kListFileFailed = 2;   // there, but cannot be used

// What stands at a path.
constexpr int32_t kPathMissing = 0;
constexpr int32_t kPathFolder = 1;
constexpr int32_t kPathOther = 2;

// Room for a temporary file name beside a list path.
constexpr std::size_t kTempPathWidth = 261 + 32;

// A temporary file being written beside a list. Its name is kept as the platform's calls take
// it (UTF-16 on Windows), so removing the file again needs no conversion that could fail.
struct TempListFile {
  ListFile file;
#ifdef _WIN32
  wchar_t path[kTempPathWidth];
#else
  char path[kTempPathWidth];
#endif
};

extern const char kPathSeparator;

// Opens an existing file for reading, without keeping others from reading, writing or
// replacing it.
int32_t openListFile(const char* path, ListFile* file);
// Reads at most capacity bytes: the count read, 0 at end of file, -1 on error.
int32_t readListFile(ListFile file, char* buffer, int32_t capacity);
// Moves back to the first byte.
int32_t rewindListFile(ListFile file);
void closeListFile(ListFile file);

// Creates a new empty file of a name no one else has, in the folder of path, and opens it
// for writing.
int32_t createTempBeside(const char* path, TempListFile* temp);
// Writes all size bytes.
int32_t writeListFile(ListFile file, const char* bytes, int32_t size);
// Flushes the file to the disk and closes it; kListFileOk only when both succeed.
int32_t commitListFile(ListFile file);
// Puts source in the place of target in one step; target is replaced whole or not at all.
// While another process holds target open it tries again for up to waitMilliseconds.
int32_t replaceListFile(const TempListFile& source, const char* target, uint32_t waitMilliseconds);
// Removes the temporary file, whatever else failed.
void removeTempFile(const TempListFile& temp);
// Removes the temporary files a save killed halfway left beside path: only names that
// tempNameBeside makes, and only those last written more than olderThanSeconds ago.
void removeStaleTempFiles(const char* path, uint32_t olderThanSeconds);

int32_t pathKind(const char* path);
// Creates this one folder; its parent must exist.
int32_t createFolder(const char* path);
