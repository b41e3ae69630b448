#include "skiplist/list_path.h"

#include <cstring>

#include "skiplist/list_files.h"
#include "skiplist/roaming_folder.h"

namespace {

constexpr char kMakerFolderName[] = "Corvane";

bool isSeparator(char c) { return c == '/' || c == kPathSeparator; }

}  // namespace

int32_t appendPathComponent(char* path, std::size_t width, const char* component) {
  std::size_t used = strnlen(path, width);
  if (used == 0 || used >= width) return kLocatePathTooLong;
  std::size_t extra = std::strlen(component);
  bool needSeparator = !isSeparator(path[used - 1]);
  if (used + (needSeparator ? 1 : 0) + extra + 1 > width) return kLocatePathTooLong;
  if (needSeparator) path[used++] = kPathSeparator;
  std::memcpy(path + used, component, extra + 1);
  return kLocated;
}

int32_t locateListFile(const char* fileName, char* out, std::size_t width) {
  if (fileName == nullptr || fileName[0] == '\0') return kLocatePathTooLong;
  char path[261];
  if (findRoamingFolder(path, sizeof path) != kRoamingFound) return kLocateNoRoamingFolder;
  if (appendPathComponent(path, sizeof path, kMakerFolderName) != kLocated) return kLocatePathTooLong;
  int32_t kind = pathKind(path);
  if (kind == kPathMissing) {
    // Another checker may create it between the test and the call; either way it must be a folder.
    if (createFolder(path) != kListFileOk && pathKind(path) != kPathFolder) return kLocateFolderNotMade;
  } else if (kind != kPathFolder) {
    return kLocateFolderIsFile;
  }
  if (appendPathComponent(path, sizeof path, fileName) != kLocated) return kLocatePathTooLong;
  if (std::strlen(path) + 1 > width) return kLocatePathTooLong;
  std::memcpy(out, path, std::strlen(path) + 1);
  return kLocated;
}

bool tempNameBeside(const char* path, uint32_t unique, char* out, std::size_t width) {
  std::size_t folderLength = std::strlen(path);
  while (folderLength > 0 && !isSeparator(path[folderLength - 1])) --folderLength;
  if (folderLength == 0) return false;
  static const char kHex[] = "0123456789abcdef";
  char name[16] = "~sl";
  for (int i = 0; i < 8; ++i) name[3 + i] = kHex[(unique >> (28 - 4 * i)) & 0xF];
  std::memcpy(name + 11, ".tmp", 5);
  if (folderLength + std::strlen(name) + 1 > width) return false;
  // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the name copied next ends the text
  std::memcpy(out, path, folderLength);
  std::memcpy(out + folderLength, name, std::strlen(name) + 1);
  return true;
}

bool isTempListName(const char* name) {
  if (std::strlen(name) != 15 || std::strncmp(name, "~sl", 3) != 0 || std::strcmp(name + 11, ".tmp") != 0) {
    return false;
  }
  for (int i = 3; i < 11; ++i) {
    if (std::strchr("0123456789abcdef", name[i]) == nullptr) return false;
  }
  return true;
}
