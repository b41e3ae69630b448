#pragma once
// Where a list file lives: the roaming folder, "Corvane" in it, the file name in that.
#include <cstddef>
#include <cstdint>

constexpr int32_t kLocated = 0;
constexpr int32_t kLocateNoRoamingFolder = 1;
constexpr int32_t kLocatePathTooLong = 2;
constexpr int32_t kLocateFolderNotMade = 3;   // "Corvane" missing and cannot be created
constexpr int32_t kLocateFolderIsFile = 4;    // something other than a folder is named "Corvane"

// Appends separator and component to the absolute path in path (width bytes). Fails, leaving
// path unchanged, on an empty path (never a relative one) or when the result does not fit.
int32_t appendPathComponent(char* path, std::size_t width, const char* component);

// Finds the list file's full path, creating the "Corvane" folder (only that level) when it
// is missing. out (width bytes) is written only on success.
int32_t locateListFile(const char* fileName, char* out, std::size_t width);

// The name of a temporary file in the folder of path: "~sl", eight hex digits of unique,
// ".tmp". Never longer than the folder plus 16 characters. False when it does not fit.
bool tempNameBeside(const char* path, uint32_t unique, char* out, std::size_t width);
// True for a file name (no folder) that tempNameBeside makes.
bool isTempListName(const char* name);
