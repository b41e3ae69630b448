#include "skiplist/skip_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/list_test_folder.h"

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries entriesOf(const SkipList& list) {
  Entries all;
  for (int32_t i = 0; i < list.count; ++i) all.emplace_back(list.entries[i].key, list.entries[i].value);
  return all;
}

void setSkipKey(const std::string& key) { copyBounded(checkRecord.skipKey, key.c_str(), sizeof checkRecord.skipKey); }

const std::string k47(47, 'k');
const std::string v47(47, 'v');
const std::string s254(254, 's');
const std::string s255(255, 's');

struct LoadCase {
  const char* name;
  std::string bytes;
  Entries entries;
  std::string saved;  // the file after loading and saving unchanged
};

// Saved through a 4 KiB chunk: 41 full lines and one of 22 bytes fill it to exactly 3999 bytes,
// so the next full line must not be formatted into what is left of it.
LoadCase chunkFilledTo3999() {
  LoadCase c{"ChunkFilledTo3999", "", {}, ""};
  for (int i = 0; i < 43; ++i) {
    std::pair<std::string, std::string> entry = i == 41 ? std::make_pair(std::string(9, 'k'), std::string(10, 'v'))
                                                        : std::make_pair(k47, v47);
    c.entries.push_back(entry);
    c.bytes += entry.first + "=" + entry.second + "\r\n";
  }
  c.saved = c.bytes;
  return c;
}

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, ReadsAndRewritesTheList) {
  const LoadCase& c = GetParam();
  ListTestFolder folder;
  std::string path = folder.roaming + "/list.txt";
  SkipList list = listFromBytes(path, c.bytes);
  list.load();
  EXPECT_EQ(entriesOf(list), c.entries);
  EXPECT_NE(list.entries, nullptr);  // an array even when it holds nothing
  list.save();
  EXPECT_EQ(readBytes(path), c.saved);
  EXPECT_EQ(folderListing(folder.roaming), "list.txt;");  // no temporary file left behind
  releaseList(list);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(
        LoadCase{"Empty", "", {}, ""},
        LoadCase{"OneCrLf", "Echo Box|Studio=2.1.0\r\n", {{"Echo Box|Studio", "2.1.0"}}, "Echo Box|Studio=2.1.0\r\n"},
        LoadCase{"BareLf", "A|B=1\nC|D=2\n", {{"A|B", "1"}, {"C|D", "2"}}, "A|B=1\r\nC|D=2\r\n"},
        LoadCase{"NoLastLineEnd", "A|B=1\r\nC|D=2", {{"A|B", "1"}, {"C|D", "2"}}, "A|B=1\r\nC|D=2\r\n"},
        LoadCase{"EmptyLineEndsList", "A|B=1.0\r\n\r\nX|Y=2.0\r\n", {{"A|B", "1.0"}}, "A|B=1.0\r\n"},
        LoadCase{"LeadingEmptyLine", "\nA|B=1.0\n", {}, ""},
        LoadCase{"JunkLine", "A|B=1\r\njunk\r\nC|D=2\r\n", {{"A|B", "1"}, {"", ""}, {"C|D", "2"}},
                 "A|B=1\r\n=\r\nC|D=2\r\n"},
        LoadCase{"EqualsAlone", "=\r\n", {{"", ""}}, "=\r\n"},
        LoadCase{"ValueWithEquals", "A|B=x=y\n", {{"A|B", "x=y"}}, "A|B=x=y\r\n"},
        LoadCase{"DuplicateKeys", "K=1\nK=2\n", {{"K", "1"}, {"K", "2"}}, "K=1\r\nK=2\r\n"},
        LoadCase{"Line254", "a=1\n" + s254 + "\nb=2\n", {{"a", "1"}, {"", ""}, {"b", "2"}}, "a=1\r\n=\r\nb=2\r\n"},
        LoadCase{"Line255", "a=1\n" + s255 + "\nb=2\n", {{"a", "1"}}, "a=1\r\n"},
        LoadCase{"Line255Last", "a=1\r\n" + s255, {{"a", "1"}}, "a=1\r\n"},
        LoadCase{"Value47", "K=" + v47 + "\r\n", {{"K", v47}}, "K=" + v47 + "\r\n"},
        LoadCase{"OverlongCut", k47 + "XY=" + v47 + "XY\r\n", {{k47, v47}}, k47 + "=" + v47 + "\r\n"},
        LoadCase{"CrNotBeforeLf", "K=a\rb\r\r\n", {{"K", "a\rb\r"}}, "K=a\rb\r\r\n"},
        chunkFilledTo3999()),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

struct FindCase {
  const char* name;
  Entries entries;
  std::string skipKey;
  int32_t index;
  std::string value;  // "untouched" when nothing is copied
};

class FindTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTest, FirstExactKeyFoundAndSet) {
  const FindCase& c = GetParam();
  SkipList list{};
  list.entries = allocateEntries(static_cast<int64_t>(c.entries.size()));
  list.count = static_cast<int32_t>(c.entries.size());
  for (std::size_t i = 0; i < c.entries.size(); ++i) {
    copyBounded(list.entries[i].key, c.entries[i].first.c_str(), sizeof list.entries[i].key);
    copyBounded(list.entries[i].value, c.entries[i].second.c_str(), sizeof list.entries[i].value);
  }
  setSkipKey(c.skipKey);
  char value[48] = "untouched";
  EXPECT_EQ(list.find(value), c.index);
  EXPECT_EQ(std::string(value), c.value);
  // Setting the key's value: the entry found changes in place, or one is appended; no other moves.
  Entries after = c.entries;
  if (c.index >= 0) after[static_cast<std::size_t>(c.index)].second = "new";
  if (c.index < 0) after.emplace_back(c.skipKey, "new");
  EXPECT_EQ(list.set("new"), static_cast<int32_t>(after.size()));
  EXPECT_EQ(entriesOf(list), after);
  releaseList(list);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FindTest,
    ::testing::Values(FindCase{"NoEntries", {}, "A|B", -1, "untouched"},
                      FindCase{"Match", {{"X|Y", "1"}, {"A|B", "2"}}, "A|B", 1, "2"},
                      FindCase{"FirstOfTwo", {{"A|B", "1"}, {"A|B", "2"}}, "A|B", 0, "1"},
                      FindCase{"CaseMatters", {{"a|b", "1"}}, "A|B", -1, "untouched"},
                      FindCase{"NoPrefixMatch", {{"A|BC", "1"}, {"A|", "2"}}, "A|B", -1, "untouched"},
                      FindCase{"EmptyKeyNeverMatches", {{"", "9"}}, "|", -1, "untouched"},
                      FindCase{"EmptyValue", {{"|", ""}}, "|", 0, ""},
                      FindCase{"Value47Whole", {{k47, v47}}, k47, 0, v47}),
    [](const ::testing::TestParamInfo<FindCase>& info) { return std::string(info.param.name); });

TEST(SkipListTest, AddOnAnEmptyListMakesOneEntry) {
  SkipList list{};
  setSkipKey("Echo Box|Studio");
  EXPECT_EQ(list.add("2.1.0"), 1);
  EXPECT_EQ(entriesOf(list), (Entries{{"Echo Box|Studio", "2.1.0"}}));
  EXPECT_EQ(list.add("2.2.0"), 2);  // no search: the caller decides between add and overwrite
  EXPECT_EQ(entriesOf(list), (Entries{{"Echo Box|Studio", "2.1.0"}, {"Echo Box|Studio", "2.2.0"}}));
  releaseList(list);
}

TEST(SkipListTest, AddKeepsLoadedEntriesInOrder) {
  ListTestFolder folder;
  SkipList list = listFromBytes(folder.roaming + "/l.txt", "A=1\nB=2\n");
  list.load();
  setSkipKey("C|D");
  EXPECT_EQ(list.add(v47.c_str()), 3);
  EXPECT_EQ(entriesOf(list), (Entries{{"A", "1"}, {"B", "2"}, {"C|D", v47}}));
  list.save();
  EXPECT_EQ(readBytes(list.path), "A=1\r\nB=2\r\nC|D=" + v47 + "\r\n");
  releaseList(list);
}

TEST(SkipListTest, AddBeyondTheSizeLimitLeavesTheListAsItWas) {
  // The count is never backed by that many entries: add must fail before it copies one.
  SkipEntry one[1] = {{"A|B", "1"}};
  SkipList list{};
  list.entries = one;
  list.count = kMaxSkipEntries;
  setSkipKey("C|D");
  EXPECT_EQ(list.add("2"), kMaxSkipEntries);
  EXPECT_EQ(list.entries, one);
  EXPECT_EQ(list.count, kMaxSkipEntries);
}

TEST(SkipListTest, EntryArrayLimit) {
  EXPECT_EQ(kMaxSkipEntries, 44739242);
  EXPECT_EQ(allocateEntries(static_cast<int64_t>(kMaxSkipEntries) + 1), nullptr);
  EXPECT_EQ(allocateEntries(-1), nullptr);
  SkipEntry* none = allocateEntries(0);
  EXPECT_NE(none, nullptr);
  releaseEntries(none);
}

TEST(SkipListTest, GrowKeepsTheEntriesAndZeroFillsTheRest) {
  struct Case {
    int64_t have;
    int64_t count;
  };
  for (Case c : {Case{0, 0}, Case{0, 1}, Case{1, 1}, Case{2, 3}, Case{3, 50000}}) {
    SkipEntry* entries = allocateEntries(c.have);
    ASSERT_NE(entries, nullptr);
    for (int64_t i = 0; i < c.have; ++i) std::snprintf(entries[i].key, sizeof entries[i].key, "K%lld", (long long)i);
    SkipEntry* grown = growEntries(entries, c.have, c.count);
    ASSERT_NE(grown, nullptr) << c.have << " -> " << c.count;
    for (int64_t i = 0; i < c.have; ++i) EXPECT_EQ(grown[i].key, "K" + std::to_string(i));
    static const SkipEntry kZero{};
    for (int64_t i = c.have; i < c.count; ++i) ASSERT_EQ(std::memcmp(&grown[i], &kZero, sizeof kZero), 0) << i;
    releaseEntries(grown);
  }
  SkipEntry* fresh = growEntries(nullptr, 0, 2);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh[1].key[0], '\0');
  releaseEntries(fresh);
}

TEST(SkipListTest, GrowOutOfRangeLeavesTheEntriesAsTheyWere) {
  struct Case {
    int64_t have;
    int64_t count;
  };
  SkipEntry* entries = allocateEntries(2);
  ASSERT_NE(entries, nullptr);
  copyBounded(entries[1].key, "kept", sizeof entries[1].key);
  for (Case c : {Case{-1, 1}, Case{2, 1}, Case{2, static_cast<int64_t>(kMaxSkipEntries) + 1}}) {
    EXPECT_EQ(growEntries(entries, c.have, c.count), nullptr) << c.have << " -> " << c.count;
    EXPECT_STREQ(entries[1].key, "kept");  // still the caller's, still whole
  }
  releaseEntries(entries);
}

TEST(SkipListTest, SaveOfNoEntriesCreatesAnEmptyFile) {
  ListTestFolder folder;
  SkipList list{};
  std::string path = folder.roaming + "/new.txt";
  copyBounded(list.path, path.c_str(), sizeof list.path);
  list.load();  // missing: empty, still to be written
  EXPECT_EQ(list.count, 0);
  list.save();
  EXPECT_EQ(readBytes(path), "");
}

TEST(SkipListTest, SaveWithoutAPathWritesNothing) {
  ListTestFolder folder;
  ASSERT_EQ(chdir(folder.roaming.c_str()), 0);
  SkipList list{};
  setSkipKey("A|B");
  list.add("1");
  list.save();
  EXPECT_EQ(folderListing(folder.roaming), "");
  ASSERT_EQ(chdir("/"), 0);
  releaseList(list);
}

TEST(SkipListTest, EntryWithALineFeedIsNotWritten) {
  ListTestFolder folder;
  SkipList list = listFromBytes(folder.roaming + "/l.txt", "A=1\n");
  list.load();
  setSkipKey("\n|Studio");  // would end the list at an empty line
  list.add("2");
  setSkipKey("C|D");
  list.add("3");
  list.save();
  EXPECT_EQ(readBytes(list.path), "A=1\r\nC|D=3\r\n");
  releaseList(list);
}

TEST(SkipListTest, FailedReplaceLeavesTheOldFileWhole) {
  ListTestFolder folder;
  // A folder (not empty) where the list file should be: the rename onto it fails.
  std::string path = folder.roaming + "/list.txt";
  ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
  writeBytes(path + "/inside", "kept");
  SkipList list = listAt(path);
  setSkipKey("A|B");
  list.add("1");
  list.save();
  EXPECT_EQ(folderListing(folder.roaming), "list.txt;");
  EXPECT_EQ(readBytes(path + "/inside"), "kept");
  releaseList(list);
}

TEST(SkipListTest, FailedWriteLeavesTheOldFileWhole) {
  ListTestFolder folder;
  std::string path = folder.roaming + "/list.txt";
  SkipList list = listFromBytes(path, "Old|Entry=0.9\r\n");
  list.load();
  setSkipKey(k47);
  for (int i = 0; i < 20; ++i) list.add(v47.c_str());  // about 2 KB
  // Files may not grow beyond 64 bytes for the moment: the temporary file's write fails.
  struct rlimit previous;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  struct rlimit small = previous;
  small.rlim_cur = 64;
  void (*previousHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  list.save();
  setrlimit(RLIMIT_FSIZE, &previous);
  signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(readBytes(path), "Old|Entry=0.9\r\n");
  EXPECT_EQ(folderListing(folder.roaming), "list.txt;");
  releaseList(list);
}

TEST(SkipListTest, UnreadableFileLeavesTheListAsItWasAndIsNeverOverwritten) {
  ListTestFolder folder;
  // A folder opens but cannot be read as a file.
  std::string path = folder.roaming + "/list.txt";
  ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
  SkipEntry one[1] = {{"A|B", "1"}};
  SkipList list = listAt(path);
  list.entries = one;
  list.count = 1;
  list.load();
  EXPECT_EQ(list.entries, one);
  EXPECT_EQ(list.count, 1);
  EXPECT_STREQ(list.path, "");
}

TEST(SkipListTest, LocateAndLoadCreatesTheFolderButNoFile) {
  ListTestFolder folder;
  SkipList list{};
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_EQ(std::string(list.path), folder.listPath("SkippedUpdates.txt"));
  EXPECT_EQ(folderListing(folder.roaming), "Corvane;");
  EXPECT_EQ(folderListing(folder.makerFolder()), "");
  setSkipKey("Echo Box|Studio");
  list.add("2.1.0");
  list.save();
  EXPECT_EQ(readBytes(folder.listPath("SkippedUpdates.txt")), "Echo Box|Studio=2.1.0\r\n");
  EXPECT_EQ(folderListing(folder.makerFolder()), "SkippedUpdates.txt;");
  releaseList(list);
}

TEST(SkipListTest, LocateAndLoadReadsAnExistingList) {
  ListTestFolder folder;
  ASSERT_EQ(mkdir(folder.makerFolder().c_str(), 0777), 0);
  writeBytes(folder.listPath("SkippedUpgrades.txt"), "A|B=Echo Box 2\r\nC|D=Verb\r\n");
  SkipList list{};
  EXPECT_EQ(list.locateAndLoad("SkippedUpgrades.txt"), 2);
  setSkipKey("C|D");
  char value[48] = "";
  EXPECT_EQ(list.find(value), 1);
  EXPECT_STREQ(value, "Verb");
  releaseList(list);
}

TEST(SkipListTest, MakerFolderThatIsAFileGivesAnEmptyListThatIsNeverSaved) {
  ListTestFolder folder;
  writeBytes(folder.makerFolder(), "A|B=1\r\n");
  SkipList list{};
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_STREQ(list.path, "");
  setSkipKey("A|B");
  list.add("2");
  list.save();
  EXPECT_EQ(readBytes(folder.makerFolder()), "A|B=1\r\n");
  EXPECT_EQ(folderListing(folder.roaming), "Corvane;");
  releaseList(list);
}

TEST(SkipListTest, NoRoamingFolderGivesAnEmptyListThatIsNeverSaved) {
  ListTestFolder folder;
  unsetenv("CORVANE_TEST_ROAMING_DIR");
  ASSERT_EQ(chdir(folder.roaming.c_str()), 0);
  SkipList list{};
  EXPECT_EQ(list.locateAndLoad("SkippedUpdates.txt"), 0);
  EXPECT_STREQ(list.path, "");
  list.save();
  EXPECT_EQ(folderListing(folder.roaming), "");
  ASSERT_EQ(chdir("/"), 0);
}

TEST(SkipListTest, ListBeyondTheEntryLimitLoadsNothingAndIsNeverOverwritten) {
  ListTestFolder folder;
  std::string path = folder.roaming + "/huge.txt";
  {
    std::string block;
    for (int i = 0; i < (1 << 20); ++i) block += "=\n";
    int64_t lines = static_cast<int64_t>(kMaxSkipEntries) + 1;
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    for (int64_t written = 0; written < lines; written += 1 << 20) {
      std::size_t now = static_cast<std::size_t>(std::min<int64_t>(lines - written, 1 << 20));
      ASSERT_EQ(std::fwrite(block.data(), 2, now, out), now);
    }
    std::fclose(out);
  }
  SkipList list = listAt(path);
  list.load();
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(list.entries, nullptr);
  EXPECT_STREQ(list.path, "");
  setSkipKey("A|B");
  list.add("1");
  list.save();
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 2 * (static_cast<off_t>(kMaxSkipEntries) + 1));
  releaseList(list);
}

}  // namespace
