// Times the skip list on a large file: load (locate + read), find, add and save, as the checker
// does them, repeated; prints the median of each step in microseconds as one JSON line.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/skip_list.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kFileName[] = "SkippedUpdates.txt";

long long microsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
}

long long median(std::vector<long long> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Keys and values of realistic length (display name "|" label, a version).
bool writeList(const std::string& path, int entries) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  for (int i = 0; i < entries; ++i) std::fprintf(file, "Product %06d|Studio Effect=%d.%d.%d\r\n", i, i % 10, i % 7, i % 13);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  int runs = argc > 2 ? std::atoi(argv[2]) : 9;
  if (entries <= 0 || runs <= 0) {
    std::fprintf(stderr, "usage: skip_list_bench [entries] [runs]\n");
    return 2;
  }
  char folder[] = "/tmp/corvane-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  setenv("CORVANE_TEST_ROAMING_DIR", folder, 1);
  std::string maker = std::string(folder) + "/Corvane";
  std::string path = maker + "/" + kFileName;

  std::vector<long long> load, find, add, save, total;
  int failures = 0;
  for (int run = 0; run < runs; ++run) {
    // Every run starts from the same file: the save of the run before added one line.
    std::remove(path.c_str());
    rmdir(maker.c_str());
    if (mkdir(maker.c_str(), 0777) != 0 || !writeList(path, entries)) return 1;

    SkipList list{};
    // A key that is not in the list: find looks at every entry, then the choice is added.
    copyBounded(checkRecord.skipKey, "Absent Product|Studio Effect", sizeof checkRecord.skipKey);
    Clock::time_point start = Clock::now();
    Clock::time_point step = start;
    int32_t count = list.locateAndLoad(kFileName);
    load.push_back(microsSince(step));
    step = Clock::now();
    char value[48] = {};
    int32_t index = list.find(value);
    find.push_back(microsSince(step));
    step = Clock::now();
    int32_t grown = list.add("9.9.9");
    add.push_back(microsSince(step));
    step = Clock::now();
    list.save();
    save.push_back(microsSince(step));
    total.push_back(microsSince(start));

    // The run counts only if every step did its work.
    SkipList again{};
    if (count != entries || index != -1 || grown != entries + 1 || again.locateAndLoad(kFileName) != entries + 1 ||
        std::strcmp(again.entries[entries].value, "9.9.9") != 0) {
      ++failures;
    }
    releaseEntries(list.entries);
    releaseEntries(again.entries);
  }
  std::remove(path.c_str());
  rmdir(maker.c_str());
  rmdir(folder);
  std::printf("{\"entries\": %d, \"runs\": %d, \"failures\": %d, \"load_us\": %lld, \"find_us\": %lld, "
              "\"add_us\": %lld, \"save_us\": %lld, \"total_us\": %lld}\n",
              entries, runs, failures, median(load), median(find), median(add), median(save), median(total));
  return failures == 0 ? 0 : 1;
}
