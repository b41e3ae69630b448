// File primitives over POSIX descriptors, for the native build and its tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>

#include "skiplist/list_files.h"
#include "skiplist/list_path.h"

const char kPathSeparator = '/';

int32_t openListFile(const char* path, ListFile* file) {
  int fd;
  do {
    fd = open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == ENOENT ? kListFileMissing : kListFileFailed;
  *file = fd;
  return kListFileOk;
}

int32_t readListFile(ListFile file, char* buffer, int32_t capacity) {
  for (;;) {
    ssize_t got = read(static_cast<int>(file), buffer, static_cast<size_t>(capacity));
    if (got >= 0) return static_cast<int32_t>(got);
    if (errno != EINTR) return -1;
  }
}

int32_t rewindListFile(ListFile file) {
  return lseek(static_cast<int>(file), 0, SEEK_SET) == 0 ? kListFileOk : kListFileFailed;
}

void closeListFile(ListFile file) { close(static_cast<int>(file)); }

int32_t createTempBeside(const char* path, TempListFile* temp) {
  static uint32_t serial = 0;
  for (int attempt = 0; attempt < 64; ++attempt) {
    uint32_t unique = static_cast<uint32_t>(getpid()) * 2654435761u + serial++;
    if (!tempNameBeside(path, unique, temp->path, sizeof temp->path)) break;
    int fd = open(temp->path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      temp->file = fd;
      return kListFileOk;
    }
    if (errno != EEXIST && errno != EINTR) break;
  }
  temp->path[0] = '\0';
  return kListFileFailed;
}

int32_t writeListFile(ListFile file, const char* bytes, int32_t size) {
  while (size > 0) {
    ssize_t put = write(static_cast<int>(file), bytes, static_cast<size_t>(size));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return kListFileFailed;
    bytes += put;
    size -= static_cast<int32_t>(put);
  }
  return kListFileOk;
}

int32_t commitListFile(ListFile file) {
  bool synced = fsync(static_cast<int>(file)) == 0;
  bool closed = close(static_cast<int>(file)) == 0;
  return synced && closed ? kListFileOk : kListFileFailed;
}

int32_t replaceListFile(const TempListFile& source, const char* target, uint32_t) {
  return std::rename(source.path, target) == 0 ? kListFileOk : kListFileFailed;
}

void removeTempFile(const TempListFile& temp) { unlink(temp.path); }

void removeStaleTempFiles(const char* path, uint32_t olderThanSeconds) {
  std::string folder(path);
  folder.erase(folder.find_last_of('/') + 1);
  if (folder.empty()) return;
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  const time_t now = time(nullptr);
  while (const dirent* entry = readdir(listing)) {  // NOLINT(concurrency-mt-unsafe): one reader of this listing
    std::string file = folder + entry->d_name;
    struct stat info;
    if (isTempListName(entry->d_name) && lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_mtime < now - static_cast<time_t>(olderThanSeconds)) {
      unlink(file.c_str());
    }
  }
  closedir(listing);
}

int32_t pathKind(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return errno == ENOENT ? kPathMissing : kPathOther;
  return S_ISDIR(info.st_mode) ? kPathFolder : kPathOther;
}

int32_t createFolder(const char* path) { return mkdir(path, 0777) == 0 ? kListFileOk : kListFileFailed; }
