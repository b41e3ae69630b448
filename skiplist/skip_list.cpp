#include "skiplist/skip_list.h"

#include <cstring>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/list_files.h"
#include "skiplist/list_line_reader.h"
#include "skiplist/list_path.h"
#include "skiplist/skip_line.h"

namespace {

constexpr int32_t kLoaded = 0;
constexpr int32_t kLoadFailed = 1;

// First pass: the lines before the first empty, over-long or missing one. Stops counting
// once the list could not be held anyway.
int32_t countListLines(ListFile file, int32_t* count) {
  ListLineReader reader;
  startListLines(reader, file);
  char line[kLineBufferWidth];
  int32_t length = 0;
  *count = 0;
  for (;;) {
    int32_t result = readListLine(reader, line, &length);
    if (result == kLineReadError) return kLoadFailed;
    if (result != kLineRead || length == 0) return kLoaded;
    if (*count == kMaxSkipEntries) return kLoadFailed;
    ++*count;
  }
}

// Second pass: one entry per counted line; a line that is gone or unusable leaves its entry empty.
int32_t readListEntries(ListFile file, SkipEntry* entries, int32_t count) {
  ListLineReader reader;
  startListLines(reader, file);
  char line[kLineBufferWidth];
  int32_t length = 0;
  for (int32_t i = 0; i < count; ++i) {
    entries[i].key[0] = '\0';
    entries[i].value[0] = '\0';
    int32_t result = readListLine(reader, line, &length);
    if (result == kLineReadError) return kLoadFailed;
    if (result == kLineRead && length > 0) splitListLine(line, length, entries[i]);
  }
  return kLoaded;
}

// Reads the whole file into a new array; nothing of the list changes here.
int32_t readListFileWhole(ListFile file, SkipEntry** entries, int32_t* count) {
  int32_t lines = 0;
  if (countListLines(file, &lines) != kLoaded) return kLoadFailed;
  SkipEntry* array = allocateEntries(lines);
  if (array == nullptr) return kLoadFailed;
  if (rewindListFile(file) != kListFileOk || readListEntries(file, array, lines) != kLoaded) {
    releaseEntries(array);
    return kLoadFailed;
  }
  *entries = array;
  *count = lines;
  return kLoaded;
}

bool writeListLines(ListFile file, const SkipEntry* entries, int32_t count) {
  char chunk[4096];
  int32_t used = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (used + kMaxWrittenLine + 1 > static_cast<int32_t>(sizeof chunk)) {
      if (writeListFile(file, chunk, used) != kListFileOk) return false;
      used = 0;
    }
    int32_t length = formatListLine(entries[i], chunk + used);
    if (length > 0) used += length;
  }
  return used == 0 || writeListFile(file, chunk, used) == kListFileOk;
}

}  // namespace

int32_t SkipList::locateAndLoad(const char* fileName) {
  char located[sizeof path];
  if (locateListFile(fileName, located, sizeof located) != kLocated) return count;
  copyBounded(path, located, sizeof path);
  load();
  return count;
}

void SkipList::load() {
  if (path[0] == '\0') return;
  ListFile file = 0;
  int32_t opened = openListFile(path, &file);
  if (opened == kListFileMissing) {
    count = 0;
    return;
  }
  SkipEntry* loaded = nullptr;
  int32_t loadedCount = 0;
  int32_t result = opened == kListFileOk ? readListFileWhole(file, &loaded, &loadedCount) : kLoadFailed;
  if (opened == kListFileOk) closeListFile(file);
  if (result != kLoaded) {
    // What could not be read must not be overwritten by a later save.
    path[0] = '\0';
    return;
  }
  releaseEntries(entries);
  entries = loaded;
  count = loadedCount;
}

int32_t SkipList::find(char* valueOut) const {
  if (count <= 0 || entries == nullptr) return -1;
  for (int32_t i = 0; i < count; ++i) {
    if (std::strncmp(checkRecord.skipKey, entries[i].key, sizeof entries[i].key) == 0) {
      if (valueOut != nullptr) copyBounded(valueOut, entries[i].value, sizeof entries[i].value);
      return i;
    }
  }
  return -1;
}

int32_t SkipList::add(const char* value) {
  int32_t have = entries != nullptr && count > 0 ? count : 0;
  SkipEntry* grown = growEntries(entries, have, static_cast<int64_t>(have) + 1);
  if (grown == nullptr) return count;
  copyBounded(grown[have].key, checkRecord.skipKey, sizeof grown[have].key);
  copyBounded(grown[have].value, value != nullptr ? value : "", sizeof grown[have].value);
  entries = grown;
  count = have + 1;
  return count;
}

int32_t SkipList::set(const char* value) {
  int32_t index = find(nullptr);
  if (index < 0) return add(value);
  copyBounded(entries[index].value, value != nullptr ? value : "", sizeof entries[index].value);
  return count;
}

bool SkipList::save(uint32_t waitMilliseconds) {
  if (path[0] == '\0') return false;
  TempListFile temp{};
  if (createTempBeside(path, &temp) != kListFileOk) return false;
  int32_t have = entries != nullptr && count > 0 ? count : 0;
  bool written = writeListLines(temp.file, entries, have);
  bool committed = commitListFile(temp.file) == kListFileOk;
  // Until the replace succeeds the old file stays whole; a failed attempt leaves no temp behind.
  if (written && committed && replaceListFile(temp, path, waitMilliseconds) == kListFileOk) return true;
  removeTempFile(temp);
  return false;
}
