#include "skiplist/list_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "skiplist/list_files.h"
#include "skiplist/list_test_folder.h"

namespace {

struct AppendCase {
  std::string path;
  std::size_t width;
  std::string component;
  int32_t result;
  std::string after;
};

class AppendTest : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendTest, JoinsWithOneSeparator) {
  const AppendCase& c = GetParam();
  char path[64];
  std::memset(path, 'Z', sizeof path);
  std::memcpy(path, c.path.c_str(), c.path.size() + 1);
  EXPECT_EQ(appendPathComponent(path, c.width, c.component.c_str()), c.result);
  EXPECT_EQ(std::string(path), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AppendTest,
    ::testing::Values(AppendCase{"/a", 64, "b", kLocated, "/a/b"},
                      AppendCase{"/a/", 64, "b", kLocated, "/a/b"},
                      AppendCase{"/", 64, "Corvane", kLocated, "/Corvane"},
                      AppendCase{"", 64, "Corvane", kLocatePathTooLong, ""},  // never relative
                      AppendCase{"/abc", 9, "def", kLocated, "/abc/def"},     // exactly fills 9
                      AppendCase{"/abc", 8, "def", kLocatePathTooLong, "/abc"}));

TEST(TempNameTest, SitsInTheListsFolder) {
  char out[kTempPathWidth];
  ASSERT_TRUE(tempNameBeside("/r/Corvane/SkippedUpdates.txt", 0x1234abcdu, out, sizeof out));
  EXPECT_STREQ(out, "/r/Corvane/~sl1234abcd.tmp");
  ASSERT_TRUE(tempNameBeside("/r/Corvane/SkippedUpgrades.txt", 7u, out, sizeof out));
  EXPECT_STREQ(out, "/r/Corvane/~sl00000007.tmp");
  EXPECT_FALSE(tempNameBeside("SkippedUpdates.txt", 7u, out, sizeof out));
  EXPECT_FALSE(tempNameBeside("/r/Corvane/S.txt", 7u, out, 20));
}

TEST(TempNameTest, OnlyTheSavesOwnNamesAreTemporary) {
  // Short names end before the places the check reads: each is read only within the name.
  const std::pair<const char*, bool> cases[] = {
      {"~sl1234abcd.tmp", true}, {"~sl00000007.tmp", true}, {"", false}, {"~", false}, {"~sl", false},
      {"~sl.tmp", false}, {"~sl1234abc.tmp", false}, {"~sl1234abcde.tmp", false}, {"~sl1234ABCD.tmp", false},
      {"~sl1234abcd.tmpx", false}, {"~sl1234abcd.txt", false}, {"SkippedUpdates.txt", false}};
  for (const auto& [name, temporary] : cases) {
    // A copy of its own length, so that a read past the name's end is caught.
    std::unique_ptr<char[]> exact(new char[std::strlen(name) + 1]);
    std::memcpy(exact.get(), name, std::strlen(name) + 1);
    EXPECT_EQ(isTempListName(exact.get()), temporary) << name;
  }
}

TEST(LocateTest, CreatesOnlyTheMakerFolderAndNoFile) {
  ListTestFolder folder;
  char out[261];
  ASSERT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocated);
  EXPECT_EQ(std::string(out), folder.listPath("SkippedUpdates.txt"));
  EXPECT_EQ(pathKind(folder.makerFolder().c_str()), kPathFolder);
  EXPECT_EQ(folderListing(folder.makerFolder()), "");
  // A second run finds the folder there.
  ASSERT_EQ(locateListFile("SkippedUpgrades.txt", out, sizeof out), kLocated);
  EXPECT_EQ(std::string(out), folder.listPath("SkippedUpgrades.txt"));
}

TEST(LocateTest, MissingRoamingFolderIsNotCreated) {
  ListTestFolder folder;
  std::string gone = folder.roaming + "/gone";
  setenv("CORVANE_TEST_ROAMING_DIR", gone.c_str(), 1);
  char out[261] = "untouched";
  EXPECT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocateFolderNotMade);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(pathKind(gone.c_str()), kPathMissing);
}

TEST(LocateTest, MakerFolderThatIsAFileIsLeftAlone) {
  ListTestFolder folder;
  writeBytes(folder.makerFolder(), "not a folder");
  char out[261] = "untouched";
  EXPECT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocateFolderIsFile);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(readBytes(folder.makerFolder()), "not a folder");
}

TEST(LocateTest, NoRoamingFolderNeverMeansTheCurrentFolder) {
  ListTestFolder folder;
  char previous[PATH_MAX];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder.roaming.c_str()), 0);
  char out[261] = "untouched";
  for (const char* value : {"", "relative/folder", static_cast<const char*>(nullptr)}) {
    if (value != nullptr) {
      setenv("CORVANE_TEST_ROAMING_DIR", value, 1);
    } else {
      unsetenv("CORVANE_TEST_ROAMING_DIR");
    }
    EXPECT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocateNoRoamingFolder);
  }
  EXPECT_EQ(folderListing(folder.roaming), "");
  EXPECT_STREQ(out, "untouched");
  ASSERT_EQ(chdir(previous), 0);
}

TEST(LocateTest, PathOver260BytesIsRefused) {
  ListTestFolder folder;
  // roaming + "/Corvane/" + 18 = 260 fits; one more byte in the folder name does not.
  std::size_t room = 260 - folder.roaming.size() - std::strlen("/Corvane/SkippedUpdates.txt") - 1;
  std::string fits = folder.roaming + "/" + std::string(room, 'f');
  std::string over = folder.roaming + "/" + std::string(room + 1, 'o');
  ASSERT_EQ(mkdir(fits.c_str(), 0777), 0);
  ASSERT_EQ(mkdir(over.c_str(), 0777), 0);
  char out[261];
  setenv("CORVANE_TEST_ROAMING_DIR", fits.c_str(), 1);
  ASSERT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocated);
  EXPECT_EQ(std::strlen(out), 260u);
  setenv("CORVANE_TEST_ROAMING_DIR", over.c_str(), 1);
  EXPECT_EQ(locateListFile("SkippedUpdates.txt", out, sizeof out), kLocatePathTooLong);
}

}  // namespace
