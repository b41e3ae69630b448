#include "presentation/update_decision.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/check_record.h"
#include "skiplist/list_test_folder.h"

namespace {

using enum OfferReason;

constexpr char kDisplayName[] = "Echo Box";
constexpr char kLabel[] = "Studio";
constexpr char kKey[] = "Echo Box|Studio";
constexpr char kInstaller[] = "https://updates.example/EchoBox.exe";
constexpr char kPage[] = "https://www.example/upgrade";

// Up to three "key=value" lines; unused places stay null.
using ListLines = std::array<const char*, 3>;

// A skip list filled in memory.
struct MemoryList {
  std::vector<SkipEntry> entries;

  explicit MemoryList(const ListLines& lines) {
    for (const char* line : lines) {
      if (line == nullptr) break;
      SkipEntry entry{};
      const char* equals = std::strchr(line, '=');
      std::string key(line, static_cast<std::size_t>(equals - line));
      copyBounded(entry.key, key.c_str(), sizeof entry.key);
      copyBounded(entry.value, equals + 1, sizeof entry.value);
      entries.push_back(entry);
    }
  }
  void attach(SkipList& list, int32_t& countField) {
    list.entries = entries.empty() ? nullptr : entries.data();
    list.count = static_cast<int32_t>(entries.size());
    countField = list.count;
  }
};

// A user-initiated check is offered what an automatic one withholds as declined before.
OfferReason userReason(bool userInitiated, OfferReason automatic) {
  return userInitiated && automatic == kDeclinedBefore ? kOffered : automatic;
}

// The skip lists search by the global record's key, so the tests work on that record.
class DecisionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    checkRecord = CheckRecord{};
    copyBounded(checkRecord.displayName, kDisplayName, sizeof checkRecord.displayName);
    copyBounded(checkRecord.softwareLabel, kLabel, sizeof checkRecord.softwareLabel);
    buildSkipKey(checkRecord);
  }
  void TearDown() override {
    checkRecord.updateSkipList = SkipList{};
    checkRecord.upgradeSkipList = SkipList{};
  }
};

TEST_F(DecisionTest, SkipKeyJoinsNameAndLabel) { EXPECT_STREQ(checkRecord.skipKey, kKey); }

TEST_F(DecisionTest, LongestSkipKeyIsUncut) {
  const std::string name(31, 'n');
  const std::string label(15, 'l');
  copyBounded(checkRecord.displayName, name.c_str(), sizeof checkRecord.displayName);
  copyBounded(checkRecord.softwareLabel, label.c_str(), sizeof checkRecord.softwareLabel);
  buildSkipKey(checkRecord);
  EXPECT_EQ(std::string(checkRecord.skipKey), name + "|" + label);
  EXPECT_EQ(std::strlen(checkRecord.skipKey), 47u);
}

struct UpdateCase {
  const char* what;
  const char* currentVersion;
  const char* newVersion;
  const char* installerUrl;
  ListLines list;
  int32_t countOverride;  // -1: the list's own count
  bool automaticOffers;
  bool userOffers;
  OfferReason reason;  // of an automatic check
};

class UpdateRuleTest : public DecisionTest, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateRuleTest, OffersUpdate) {
  const UpdateCase& c = GetParam();
  for (bool userInitiated : {false, true}) {
    SCOPED_TRACE(std::string(c.what) + (userInitiated ? ", user-initiated" : ", automatic"));
    copyBounded(checkRecord.currentVersion, c.currentVersion, sizeof checkRecord.currentVersion);
    copyBounded(checkRecord.newVersion, c.newVersion, sizeof checkRecord.newVersion);
    copyBounded(checkRecord.installerUrl, c.installerUrl, sizeof checkRecord.installerUrl);
    checkRecord.userInitiated = userInitiated;
    checkRecord.updateAvailable = !(userInitiated ? c.userOffers : c.automaticOffers);
    MemoryList list(c.list);
    list.attach(checkRecord.updateSkipList, checkRecord.updateSkipCount);
    if (c.countOverride >= 0) checkRecord.updateSkipCount = c.countOverride;

    decideUpdate(checkRecord);

    EXPECT_EQ(checkRecord.updateAvailable, userInitiated ? c.userOffers : c.automaticOffers);
    EXPECT_EQ(checkRecord.updateReason, userReason(userInitiated, c.reason));
    EXPECT_EQ(checkRecord.upgradeReason, kUndecided);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateRuleTest,
    ::testing::Values(
        UpdateCase{"no new version", "1.0", "", kInstaller, {"Echo Box|Studio=0.1"}, -1, false,
                   false, kNoneOnOffer},
        UpdateCase{"no installer", "1.0", "2.0", "", {"Echo Box|Studio=0.1"}, -1, false, false, kNoneOnOffer},
        UpdateCase{"file installer", "1.0", "2.0", "file:///C:/EchoBox.exe",
                   {"Echo Box|Studio=0.1"}, -1, false, false, kNotWebAddress},
        UpdateCase{"UNC installer", "1.0", "2.0", "\\\\host\\share\\EchoBox.exe", {}, -1, false,
                   false, kNotWebAddress},
        UpdateCase{"1.10 is newer than 1.9", "1.9", "1.10", kInstaller, {}, -1, true, true, kOffered},
        UpdateCase{"1.9 is older than 1.10", "1.10", "1.9", kInstaller, {"Echo Box|Studio=0.1"},
                   -1, false, false, kNotNewer},
        UpdateCase{"10.0 is newer than 2.0", "2.0", "10.0", kInstaller, {}, -1, true, true, kOffered},
        UpdateCase{"2.0 is older than 10.0", "10.0", "2.0", kInstaller, {}, -1, false, false, kNotNewer},
        UpdateCase{"equal versions", "2.0", "2.0", kInstaller, {}, -1, false, false, kNotNewer},
        UpdateCase{"1.0.0 is 1.0", "1.0", "1.0.0", kInstaller, {}, -1, false, false, kNotNewer},
        UpdateCase{"beta of the installed version", "2.0", "2.0b1", kInstaller, {}, -1, false,
                   false, kNotNewer},
        UpdateCase{"no entry for the key", "1.0", "2.0", kInstaller,
                   {"Other|Studio=9.0", "Echo Box|Live=9.0"}, -1, true, true, kOffered},
        UpdateCase{"key differs in case", "1.0", "2.0", kInstaller, {"echo box|studio=9.0"}, -1,
                   true, true, kOffered},
        UpdateCase{"declined the same version", "1.5", "2.0", kInstaller,
                   {"Other|Studio=9.0", "Echo Box|Studio=2.0"}, -1, false, true, kDeclinedBefore},
        UpdateCase{"declined a newer version", "1.5", "1.9", kInstaller, {"Echo Box|Studio=2.0"},
                   -1, false, true, kDeclinedBefore},
        UpdateCase{"declined an older version", "1.5", "2.1", kInstaller, {"Echo Box|Studio=2.0"},
                   -1, true, true, kOffered},
        UpdateCase{"declined 1.9, offer 1.10", "1.5", "1.10", kInstaller, {"Echo Box|Studio=1.9"},
                   -1, true, true, kOffered},
        UpdateCase{"first of two entries decides", "1.0", "2.0", kInstaller,
                   {"Other|Studio=1.0", "Echo Box|Studio=2.1", "Echo Box|Studio=1.0"}, -1, false,
                   true, kDeclinedBefore},
        UpdateCase{"first of two entries decides, offered", "1.0", "2.0", kInstaller,
                   {"Echo Box|Studio=1.0", "Echo Box|Studio=2.1"}, -1, true, true, kOffered},
        UpdateCase{"no lookup when the count is 0", "1.0", "2.0", kInstaller,
                   {"Echo Box|Studio=2.0"}, 0, true, true, kOffered}));

struct UpgradeCase {
  const char* what;
  const char* upgradeName;
  const char* upgradePageUrl;
  ListLines list;
  bool automaticOffers;
  bool userOffers;
  OfferReason reason;  // of an automatic check
};

class UpgradeRuleTest : public DecisionTest, public ::testing::WithParamInterface<UpgradeCase> {};

TEST_P(UpgradeRuleTest, OffersUpgrade) {
  const UpgradeCase& c = GetParam();
  for (bool userInitiated : {false, true}) {
    SCOPED_TRACE(std::string(c.what) + (userInitiated ? ", user-initiated" : ", automatic"));
    copyBounded(checkRecord.upgradeName, c.upgradeName, sizeof checkRecord.upgradeName);
    copyBounded(checkRecord.upgradePageUrl, c.upgradePageUrl, sizeof checkRecord.upgradePageUrl);
    checkRecord.userInitiated = userInitiated;
    checkRecord.upgradeAvailable = !(userInitiated ? c.userOffers : c.automaticOffers);
    MemoryList list(c.list);
    list.attach(checkRecord.upgradeSkipList, checkRecord.upgradeSkipCount);

    decideUpgrade(checkRecord);

    EXPECT_EQ(checkRecord.upgradeAvailable, userInitiated ? c.userOffers : c.automaticOffers);
    EXPECT_EQ(checkRecord.upgradeReason, userReason(userInitiated, c.reason));
    EXPECT_EQ(checkRecord.updateReason, kUndecided);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpgradeRuleTest,
    ::testing::Values(
        UpgradeCase{"no name", "", kPage, {"Echo Box|Studio=Echo Box 2"}, false, false, kNoneOnOffer},
        UpgradeCase{"no page", "Echo Box 2", "", {"Echo Box|Studio=x"}, false, false, kNoneOnOffer},
        UpgradeCase{"script page", "Echo Box 2", "javascript:alert(1)", {}, false, false, kNotWebAddress},
        UpgradeCase{"drive page", "Echo Box 2", "C:\\page.html", {}, false, false, kNotWebAddress},
        UpgradeCase{"page with a line break", "Echo Box 2", "http://x\r\n", {}, false, false, kNotWebAddress},
        UpgradeCase{"no entry", "Echo Box 2", kPage, {"Other|Studio=Echo Box 2"}, true, true, kOffered},
        UpgradeCase{"declined that name", "Echo Box 2", kPage,
                    {"Other|Studio=x", "Echo Box|Studio=Echo Box 2"}, false, true, kDeclinedBefore},
        UpgradeCase{"declined a name differing in case", "Echo Box 2", kPage,
                    {"Echo Box|Studio=echo box 2"}, true, true, kOffered},
        UpgradeCase{"declined another name", "Echo Box 3", kPage, {"Echo Box|Studio=Echo Box 2"},
                    true, true, kOffered},
        UpgradeCase{"first of two entries decides", "Echo Box 2", kPage,
                    {"Echo Box|Studio=Echo Box 2", "Echo Box|Studio=Other"}, false, true, kDeclinedBefore},
        UpgradeCase{"first of two entries decides, offered", "Echo Box 2", kPage,
                    {"Echo Box|Studio=Other", "Echo Box|Studio=Echo Box 2"}, true, true, kOffered}));

TEST_F(DecisionTest, NothingInTheReplyOffersNothing) {
  for (bool userInitiated : {false, true}) {
    checkRecord.userInitiated = userInitiated;
    EXPECT_FALSE(decideOffers(checkRecord));
    EXPECT_FALSE(checkRecord.updateAvailable);
    EXPECT_FALSE(checkRecord.upgradeAvailable);
  }
}

TEST_F(DecisionTest, EitherOfferCounts) {
  copyBounded(checkRecord.currentVersion, "1.0", sizeof checkRecord.currentVersion);
  copyBounded(checkRecord.newVersion, "1.1", sizeof checkRecord.newVersion);
  copyBounded(checkRecord.installerUrl, kInstaller, sizeof checkRecord.installerUrl);
  EXPECT_TRUE(decideOffers(checkRecord));
  EXPECT_TRUE(checkRecord.updateAvailable);
  EXPECT_FALSE(checkRecord.upgradeAvailable);

  checkRecord.installerUrl[0] = '\0';
  copyBounded(checkRecord.upgradeName, "Echo Box 2", sizeof checkRecord.upgradeName);
  copyBounded(checkRecord.upgradePageUrl, kPage, sizeof checkRecord.upgradePageUrl);
  EXPECT_TRUE(decideOffers(checkRecord));
  EXPECT_FALSE(checkRecord.updateAvailable);
  EXPECT_TRUE(checkRecord.upgradeAvailable);
}

TEST_F(DecisionTest, BothDeclinedOffersNothingOnAutomaticCheck) {
  copyBounded(checkRecord.currentVersion, "1.0", sizeof checkRecord.currentVersion);
  copyBounded(checkRecord.newVersion, "2.0", sizeof checkRecord.newVersion);
  copyBounded(checkRecord.installerUrl, kInstaller, sizeof checkRecord.installerUrl);
  copyBounded(checkRecord.upgradeName, "Echo Box 2", sizeof checkRecord.upgradeName);
  copyBounded(checkRecord.upgradePageUrl, kPage, sizeof checkRecord.upgradePageUrl);
  MemoryList updates(ListLines{"Echo Box|Studio=2.0"});
  MemoryList upgrades(ListLines{"Echo Box|Studio=Echo Box 2"});
  updates.attach(checkRecord.updateSkipList, checkRecord.updateSkipCount);
  upgrades.attach(checkRecord.upgradeSkipList, checkRecord.upgradeSkipCount);

  EXPECT_FALSE(decideOffers(checkRecord));
  EXPECT_FALSE(checkRecord.updateAvailable || checkRecord.upgradeAvailable);
  EXPECT_EQ(checkRecord.updateReason, kDeclinedBefore);
  EXPECT_EQ(checkRecord.upgradeReason, kDeclinedBefore);

  checkRecord.userInitiated = true;
  EXPECT_TRUE(decideOffers(checkRecord));
  EXPECT_TRUE(checkRecord.updateAvailable);
  EXPECT_TRUE(checkRecord.upgradeAvailable);
}

// The whole decision, with the lists read from the roaming folder.
class DecisionFromFilesTest : public DecisionTest {
 protected:
  void SetUp() override {
    DecisionTest::SetUp();
    checkRecord.skipKey[0] = '\0';  // the decision builds it
    copyBounded(checkRecord.currentVersion, "1.0", sizeof checkRecord.currentVersion);
    copyBounded(checkRecord.newVersion, "2.0", sizeof checkRecord.newVersion);
    copyBounded(checkRecord.installerUrl, kInstaller, sizeof checkRecord.installerUrl);
    copyBounded(checkRecord.upgradeName, "Echo Box 2", sizeof checkRecord.upgradeName);
    copyBounded(checkRecord.upgradePageUrl, kPage, sizeof checkRecord.upgradePageUrl);
  }
  void TearDown() override {
    releaseList(checkRecord.updateSkipList);
    releaseList(checkRecord.upgradeSkipList);
  }
  ListTestFolder folder;
};

TEST_F(DecisionFromFilesTest, MissingListsSuppressNothing) {
  EXPECT_TRUE(runUpdateDecision(checkRecord));
  EXPECT_STREQ(checkRecord.skipKey, kKey);
  EXPECT_EQ(checkRecord.updateSkipCount, 0);
  EXPECT_EQ(checkRecord.upgradeSkipCount, 0);
  EXPECT_EQ(checkRecord.updateReason, kOffered);
  EXPECT_EQ(checkRecord.upgradeReason, kOffered);
  EXPECT_TRUE(checkRecord.updateAvailable);
  EXPECT_TRUE(checkRecord.upgradeAvailable);
  EXPECT_EQ(folderListing(folder.roaming), "Corvane;");
}

TEST_F(DecisionFromFilesTest, DeclinedOffersInTheFilesAreWithheld) {
  runUpdateDecision(checkRecord);  // creates the folder
  releaseList(checkRecord.updateSkipList);
  releaseList(checkRecord.upgradeSkipList);
  writeBytes(folder.listPath(kUpdateSkipFileName), "Other|Studio=9.0\r\nEcho Box|Studio=2.0\r\n");
  writeBytes(folder.listPath(kUpgradeSkipFileName), "Echo Box|Studio=Echo Box 2\n");

  EXPECT_FALSE(runUpdateDecision(checkRecord));
  EXPECT_EQ(checkRecord.updateSkipCount, 2);
  EXPECT_EQ(checkRecord.upgradeSkipCount, 1);
  EXPECT_EQ(checkRecord.updateReason, kDeclinedBefore);
  EXPECT_EQ(checkRecord.upgradeReason, kDeclinedBefore);
}

}  // namespace
