// list_saver: saves or reads a large skip list in a loop through the checker's own store, for
// the reliability tests (killed while saving, several savers at once, readers meanwhile).
//
//   list_saver save PATH ENTRIES TAG SAVES   saves SAVES times (0: until killed) a list of
//       ENTRIES entries "Product NNNNN|Reliability=TAG-G", G the save's number from 0;
//       prints "saved G" after each save
//   list_saver read PATH ENTRIES LOADS       loads the list LOADS times; each load must find no
//       file, or exactly ENTRIES entries in order that all carry the same TAG-G; prints
//       "whole W missing M cut C" and ends 1 when C is not 0
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/skip_list.h"

namespace {

void keyOf(int32_t index, char* key, std::size_t width) {
  std::snprintf(key, width, "Product %05d|Reliability", static_cast<int>(index));
}

int saveLoop(const char* path, int32_t entries, const char* tag, long saves) {
  SkipList list{};
  copyBounded(list.path, path, sizeof list.path);
  list.entries = allocateEntries(entries);
  if (list.entries == nullptr) return 2;
  list.count = entries;
  for (int32_t i = 0; i < entries; ++i) keyOf(i, list.entries[i].key, sizeof list.entries[i].key);
  for (long g = 0; saves == 0 || g < saves; ++g) {
    for (int32_t i = 0; i < entries; ++i) {
      std::snprintf(list.entries[i].value, sizeof list.entries[i].value, "%s-%ld", tag, g);
    }
    list.save();
    std::printf("saved %ld\n", g);
    std::fflush(stdout);
  }
  releaseEntries(list.entries);
  return 0;
}

// The list as a whole: the expected keys in order, one value throughout.
bool isWhole(const SkipList& list, int32_t entries) {
  if (list.count != entries) return false;
  char key[48];
  for (int32_t i = 0; i < entries; ++i) {
    keyOf(i, key, sizeof key);
    if (std::strcmp(list.entries[i].key, key) != 0) return false;
    if (std::strcmp(list.entries[i].value, list.entries[0].value) != 0) return false;
  }
  return true;
}

int readLoop(const char* path, int32_t entries, long loads) {
  long whole = 0, missing = 0, cut = 0;
  for (long n = 0; n < loads; ++n) {
    SkipList list{};
    copyBounded(list.path, path, sizeof list.path);
    list.count = -1;
    list.load();
    if (list.path[0] == '\0') {
      ++cut;  // a file that could not be read whole counts against the store
    } else if (list.count == 0 && list.entries == nullptr) {
      ++missing;
    } else if (isWhole(list, entries)) {
      ++whole;
    } else {
      ++cut;
      std::printf("cut: %d entries, first value \"%s\"\n", static_cast<int>(list.count),
                  list.count > 0 ? list.entries[0].value : "");
    }
    releaseEntries(list.entries);
  }
  std::printf("whole %ld missing %ld cut %ld\n", whole, missing, cut);
  return cut == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool saving = argc == 6 && std::strcmp(argv[1], "save") == 0;
  bool reading = argc == 5 && std::strcmp(argv[1], "read") == 0;
  int32_t entries = saving || reading ? std::atoi(argv[3]) : 0;
  if (entries <= 0) {
    std::fprintf(stderr, "usage: list_saver save PATH ENTRIES TAG SAVES | read PATH ENTRIES LOADS\n");
    return 2;
  }
  if (saving) return saveLoop(argv[2], entries, argv[4], std::atol(argv[5]));
  return readLoop(argv[2], entries, std::atol(argv[4]));
}
