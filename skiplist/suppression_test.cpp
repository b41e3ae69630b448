#include "skiplist/suppression.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <string>

#include "app/check_record.h"
#include "skiplist/entry_array.h"
#include "skiplist/list_test_folder.h"

namespace {

constexpr char kMissing[] = "<missing>";

struct SuppressionCase {
  const char* name;
  std::string updatesBefore;  // kMissing: no file
  std::string upgradesBefore;
  bool updateAvailable;
  bool upgradeAvailable;
  int32_t updateSkipIndex;
  int32_t upgradeSkipIndex;
  std::string updatesAfter;
  std::string upgradesAfter;
};

// The record and the indices are process-wide: each test starts them afresh.
class SuppressionFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    releaseEntries(checkRecord.updateSkipList.entries);
    releaseEntries(checkRecord.upgradeSkipList.entries);
    checkRecord = CheckRecord{};
    updateSkipIndex = -1;
    upgradeSkipIndex = -1;
  }
};

class SuppressionTest : public SuppressionFixture, public ::testing::WithParamInterface<SuppressionCase> {};

TEST_P(SuppressionTest, StoresTheOfferAndSavesBothLists) {
  const SuppressionCase& c = GetParam();
  ListTestFolder folder;
  std::string updates = folder.listPath("SkippedUpdates.txt");
  std::string upgrades = folder.listPath("SkippedUpgrades.txt");
  ASSERT_EQ(mkdir(folder.makerFolder().c_str(), 0777), 0);
  if (c.updatesBefore != kMissing) writeBytes(updates, c.updatesBefore);
  if (c.upgradesBefore != kMissing) writeBytes(upgrades, c.upgradesBefore);

  copyBounded(checkRecord.skipKey, "Echo Box|Studio", sizeof checkRecord.skipKey);
  copyBounded(checkRecord.newVersion, "2.1.0", sizeof checkRecord.newVersion);
  copyBounded(checkRecord.upgradeName, "Echo Box Pro", sizeof checkRecord.upgradeName);
  checkRecord.updateSkipCount = checkRecord.updateSkipList.locateAndLoad("SkippedUpdates.txt");
  checkRecord.upgradeSkipCount = checkRecord.upgradeSkipList.locateAndLoad("SkippedUpgrades.txt");
  checkRecord.updateAvailable = c.updateAvailable;
  checkRecord.upgradeAvailable = c.upgradeAvailable;
  updateSkipIndex = c.updateSkipIndex;
  upgradeSkipIndex = c.upgradeSkipIndex;

  recordSuppression();
  EXPECT_EQ(readBytes(updates), c.updatesAfter);
  EXPECT_EQ(readBytes(upgrades), c.upgradesAfter);
  EXPECT_EQ(folderListing(folder.makerFolder()), "SkippedUpdates.txt;SkippedUpgrades.txt;");
}

INSTANTIATE_TEST_SUITE_P(
    Presses, SuppressionTest,
    ::testing::Values(
        SuppressionCase{"FirstUseUpdateOnly", kMissing, kMissing, true, false, -1, -1,
                        "Echo Box|Studio=2.1.0\r\n", ""},
        SuppressionCase{"OlderVersionReplacedInPlace", "A|B=1\r\nEcho Box|Studio=2.0\r\nC|D=3\r\n", "", true, false,
                        1, -1, "A|B=1\r\nEcho Box|Studio=2.1.0\r\nC|D=3\r\n", ""},
        SuppressionCase{"UpgradeOnlyAppended", "A|B=1\nC|D=3\n", "A|B=Verb\r\n", false, true, -1, -1,
                        "A|B=1\r\nC|D=3\r\n", "A|B=Verb\r\nEcho Box|Studio=Echo Box Pro\r\n"},
        SuppressionCase{"UpgradeOnlyReplaced", "", "Echo Box|Studio=Echo Box 2\r\nA|B=Verb\r\n", false, true, -1, 0,
                        "", "Echo Box|Studio=Echo Box Pro\r\nA|B=Verb\r\n"},
        SuppressionCase{"BothOnOffer", "A|B=1\r\n", kMissing, true, true, -1, -1,
                        "A|B=1\r\nEcho Box|Studio=2.1.0\r\n", "Echo Box|Studio=Echo Box Pro\r\n"},
        SuppressionCase{"LinesAfterEmptyLineDropped", "A|B=1\r\n\r\nC|D=3\r\n", "X=1\n\nY=2\n", false, true, -1, -1,
                        "A|B=1\r\n", "X=1\r\nEcho Box|Studio=Echo Box Pro\r\n"},
        // Nothing on offer: each list is saved as it was read, with CR LF line ends, a line
        // without "=" as the empty entry it was read as (so the lines after it stay), and a
        // missing list as an empty file.
        SuppressionCase{"NeitherOnOfferSavesEachListAsRead", "A|B=1\njunk\n", kMissing, false, false, -1, -1,
                        "A|B=1\r\n=\r\n", ""},
        // Each list is read again at the press: its entry is found by key, not by the decision's index.
        SuppressionCase{"StaleIndexEntryFoundByKey", "A|B=1\r\n", "", true, false, 1, -1,
                        "A|B=1\r\nEcho Box|Studio=2.1.0\r\n", ""},
        SuppressionCase{"FlagClearIgnoresIndex", "Echo Box|Studio=2.0\r\n", "", false, false, 0, -1,
                        "Echo Box|Studio=2.0\r\n", ""}),
    [](const ::testing::TestParamInfo<SuppressionCase>& info) { return std::string(info.param.name); });

TEST_F(SuppressionFixture, UserInitiatedPressOverwritesTheFoundEntryOnly) {
  ListTestFolder folder;
  ASSERT_EQ(mkdir(folder.makerFolder().c_str(), 0777), 0);
  writeBytes(folder.listPath("SkippedUpdates.txt"), "X|Y=1\r\nEcho Box|Studio=2.1.0\r\n");
  copyBounded(checkRecord.skipKey, "Echo Box|Studio", sizeof checkRecord.skipKey);
  copyBounded(checkRecord.newVersion, "2.0", sizeof checkRecord.newVersion);
  checkRecord.updateSkipList.locateAndLoad("SkippedUpdates.txt");
  checkRecord.upgradeSkipList.locateAndLoad("SkippedUpgrades.txt");
  // As the decision does: the lookup is made even though the stored version is not consulted.
  char stored[48];
  updateSkipIndex = checkRecord.updateSkipList.find(stored);
  ASSERT_EQ(updateSkipIndex, 1);
  checkRecord.updateAvailable = true;
  recordSuppression();
  EXPECT_EQ(readBytes(folder.listPath("SkippedUpdates.txt")), "X|Y=1\r\nEcho Box|Studio=2.0\r\n");
}

// The press works on the folder as it is now: a folder where the update list was, an upgrade
// list another checker rewrote since the decision, temporary files a killed save left.
TEST_F(SuppressionFixture, ThePressWorksOnTheFolderAsItIsNow) {
  ListTestFolder folder;
  ASSERT_EQ(mkdir(folder.makerFolder().c_str(), 0777), 0);
  copyBounded(checkRecord.skipKey, "Echo Box|Studio", sizeof checkRecord.skipKey);
  copyBounded(checkRecord.newVersion, "2.1.0", sizeof checkRecord.newVersion);
  copyBounded(checkRecord.upgradeName, "Echo Box Pro", sizeof checkRecord.upgradeName);
  checkRecord.updateSkipList.locateAndLoad("SkippedUpdates.txt");
  checkRecord.upgradeSkipList.locateAndLoad("SkippedUpgrades.txt");
  checkRecord.updateAvailable = checkRecord.upgradeAvailable = true;
  ASSERT_EQ(mkdir(folder.listPath("SkippedUpdates.txt").c_str(), 0777), 0);
  writeBytes(folder.listPath("SkippedUpgrades.txt"), "Other|Studio=Other Pro\r\n");
  const time_t old = time(nullptr) - 120;
  for (const char* name : {"~sl0000abcd.tmp", "~sl0000abce.tmp", "~sl0000abcx.tmp", "~sl0000abcd.tmp.1", "a.tmp"}) {
    writeBytes(folder.listPath(name), "partial");
    const utimbuf times{old, old};
    if (std::string(name) != "~sl0000abce.tmp") ASSERT_EQ(utime(folder.listPath(name).c_str(), &times), 0);
  }

  EXPECT_EQ(recordSuppression(), kUpdateListUnsaved);
  EXPECT_EQ(readBytes(folder.listPath("SkippedUpgrades.txt")),
            "Other|Studio=Other Pro\r\nEcho Box|Studio=Echo Box Pro\r\n");
  // Only an old file of the save's own name pattern goes.
  EXPECT_EQ(folderListing(folder.makerFolder()),
            "SkippedUpdates.txt;SkippedUpgrades.txt;a.tmp;~sl0000abcd.tmp.1;~sl0000abce.tmp;~sl0000abcx.tmp;");
}

}  // namespace
