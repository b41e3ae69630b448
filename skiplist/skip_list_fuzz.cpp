// Fuzzes the list loader with arbitrary file contents, and checks that saving what was loaded
// and loading it again gives the same entries.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/skip_list.h"

namespace {

char listPath[64];

void writeInput(const uint8_t* data, size_t size) {
  FILE* out = std::fopen(listPath, "wb");
  if (out == nullptr) __builtin_trap();
  if (size > 0 && std::fwrite(data, 1, size, out) != size) __builtin_trap();
  std::fclose(out);
}

SkipList loaded() {
  SkipList list{};
  std::memcpy(list.path, listPath, sizeof listPath);
  list.load();
  return list;
}

void removeListPath() { std::remove(listPath); }

bool terminated(const SkipEntry& entry) {
  return std::memchr(entry.key, 0, sizeof entry.key) != nullptr &&
         std::memchr(entry.value, 0, sizeof entry.value) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (listPath[0] == '\0') {
    // Memory-backed when there is such a folder: every save flushes to the disk.
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::snprintf(listPath, sizeof listPath, "%s/skip_list_fuzz_%d.txt", folder, getpid());
    std::atexit(removeListPath);
  }
  writeInput(data, size);
  SkipList first = loaded();
  if (first.count < 0 || (first.count > 0 && first.entries == nullptr)) __builtin_trap();
  for (int32_t i = 0; i < first.count; ++i) {
    if (!terminated(first.entries[i])) __builtin_trap();
  }
  if (first.count > 0) {
    copyBounded(checkRecord.skipKey, first.entries[first.count - 1].key, sizeof checkRecord.skipKey);
    char value[48];
    int32_t index = first.find(value);
    if (index < 0 || index >= first.count) __builtin_trap();
  }
  first.save();
  SkipList second = loaded();
  if (second.count != first.count) __builtin_trap();
  for (int32_t i = 0; i < first.count; ++i) {
    if (std::strcmp(first.entries[i].key, second.entries[i].key) != 0) __builtin_trap();
    if (std::strcmp(first.entries[i].value, second.entries[i].value) != 0) __builtin_trap();
  }
  releaseEntries(first.entries);
  releaseEntries(second.entries);
  return 0;
}
