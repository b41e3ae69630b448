#include "presentation/dialog_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/check_record.h"
#include "resources/resource.h"

namespace {

using Kind = DialogStepKind;

struct Step {
  Kind kind;
  int controlId;
  std::string text;
  bool operator==(const Step& other) const {
    return kind == other.kind && controlId == other.controlId && text == other.text;
  }
};

std::ostream& operator<<(std::ostream& out, const Step& step) {
  return out << "{" << static_cast<int>(step.kind) << ", " << step.controlId << ", \"" << step.text
             << "\"}";
}

std::vector<Step> stepsOf(const DialogPlan& plan) {
  std::vector<Step> steps;
  for (std::size_t i = 0; i < plan.count; ++i) {
    steps.push_back({plan.steps[i].kind, plan.steps[i].controlId, plan.steps[i].text});
  }
  return steps;
}

// The controls left visible after the plan, starting from the template where all nine are.
std::set<int> visibleAfter(const DialogPlan& plan) {
  std::set<int> visible = {IDCANCEL,  IDC_HEADLINE, IDC_CURRENT_VERSION,
                           IDC_NEW_VERSION, IDC_DOWNLOAD, IDC_DOWNLOAD_NOTE,
                           IDC_UPGRADE_HEADLINE, IDC_UPGRADE, IDC_DONT_REMIND};
  for (std::size_t i = 0; i < plan.count; ++i) {
    if (plan.steps[i].kind == Kind::kHide) visible.erase(plan.steps[i].controlId);
  }
  return visible;
}

CheckRecord sampleRecord(bool update, bool upgrade, bool userInitiated) {
  CheckRecord record{};
  copyBounded(record.displayName, "Echo Box", sizeof record.displayName);
  copyBounded(record.softwareLabel, "Studio", sizeof record.softwareLabel);
  copyBounded(record.currentVersion, "1.0", sizeof record.currentVersion);
  copyBounded(record.newVersion, "2.0", sizeof record.newVersion);
  copyBounded(record.upgradeName, "Echo Box 2", sizeof record.upgradeName);
  record.updateAvailable = update;
  record.upgradeAvailable = upgrade;
  record.userInitiated = userInitiated;
  return record;
}

const Step kCaptionOffer{Kind::kSetCaption, 0, "Echo Box - Update Available!"};
const Step kCurrent{Kind::kSetText, IDC_CURRENT_VERSION, "Your current version: 1.0"};
const Step kUpdateHeadline{Kind::kSetText, IDC_HEADLINE,
                           "A FREE update for your Studio software is now available!"};
const Step kUpToDate{Kind::kSetText, IDC_HEADLINE, "Your Studio software is up to date!"};
const Step kNewVersion{Kind::kSetText, IDC_NEW_VERSION, "New version available:  2.0"};
const Step kDownload{Kind::kSetText, IDC_DOWNLOAD, "Download the FREE update for Echo Box now!"};
const Step kUpgradeHeadline{Kind::kSetText, IDC_UPGRADE_HEADLINE,
                            "An UPGRADE for your Studio software is available!"};
const Step kUpgrade{Kind::kSetText, IDC_UPGRADE, "Upgrade to Echo Box 2 now!"};
const Step kHideUpdate[] = {{Kind::kHide, IDC_NEW_VERSION, ""},
                            {Kind::kHide, IDC_DOWNLOAD, ""},
                            {Kind::kHide, IDC_DOWNLOAD_NOTE, ""}};
const Step kHideUpgrade[] = {{Kind::kHide, IDC_UPGRADE_HEADLINE, ""},
                             {Kind::kHide, IDC_UPGRADE, ""}};
const Step kThis{Kind::kSetText, IDC_DONT_REMIND, "Don't remind me again about THIS update."};
const Step kThese{Kind::kSetText, IDC_DONT_REMIND, "Don't remind me again about THESE updates."};
const Step kShow{Kind::kShowDialog, 0, ""};

struct PresentCase {
  const char* what;
  bool update;
  bool upgrade;
  std::vector<Step> steps;
  std::set<int> visible;
};

class PresentTest : public ::testing::TestWithParam<PresentCase> {};

TEST_P(PresentTest, PlansEveryStepInOrder) {
  const PresentCase& c = GetParam();
  CheckRecord record = sampleRecord(c.update, c.upgrade, !(c.update || c.upgrade));
  DialogPlan plan;
  planDialog(record, c.update || c.upgrade, plan);
  EXPECT_EQ(stepsOf(plan), c.steps) << c.what;
  EXPECT_EQ(visibleAfter(plan), c.visible) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    ResultByCase, PresentTest,
    ::testing::Values(
        PresentCase{"update only", true, false,
                    {kCaptionOffer, kCurrent, kUpdateHeadline, kNewVersion, kDownload,
                     kHideUpgrade[0], kHideUpgrade[1], kThis, kShow},
                    {IDC_HEADLINE, IDC_CURRENT_VERSION, IDC_NEW_VERSION, IDC_DOWNLOAD,
                     IDC_DOWNLOAD_NOTE, IDC_DONT_REMIND, IDCANCEL}},
        PresentCase{"upgrade only", false, true,
                    {kCaptionOffer, kCurrent, kUpToDate, kHideUpdate[0], kHideUpdate[1],
                     kHideUpdate[2], kUpgradeHeadline, kUpgrade, kThis, kShow},
                    {IDC_HEADLINE, IDC_CURRENT_VERSION, IDC_UPGRADE_HEADLINE, IDC_UPGRADE,
                     IDC_DONT_REMIND, IDCANCEL}},
        PresentCase{"update and upgrade", true, true,
                    {kCaptionOffer, kCurrent, kUpdateHeadline, kNewVersion, kDownload,
                     kUpgradeHeadline, kUpgrade, kThese, kShow},
                    {IDCANCEL, IDC_HEADLINE, IDC_CURRENT_VERSION, IDC_NEW_VERSION,
                     IDC_DOWNLOAD, IDC_DOWNLOAD_NOTE, IDC_UPGRADE_HEADLINE, IDC_UPGRADE,
                     IDC_DONT_REMIND}},
        PresentCase{"nothing on offer, user-initiated", false, false,
                    {{Kind::kSetCaption, 0, "Echo Box"}, kCurrent, kUpToDate, kHideUpdate[0],
                     kHideUpdate[1], kHideUpdate[2], kHideUpgrade[0], kHideUpgrade[1],
                     {Kind::kHide, IDC_DONT_REMIND, ""},
                     {Kind::kSetText, IDCANCEL,
                      "Ok, thanks! (Click here to close Update Checker)"},
                     kShow},
                    {IDC_HEADLINE, IDC_CURRENT_VERSION, IDCANCEL}}));

struct OutcomeCase {
  UpdateStatus status;
  bool userInitiated;
  bool anythingOnOffer;
  CheckOutcome outcome;
};

class OutcomeTest : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(OutcomeTest, ChoosesWhatHappens) {
  const OutcomeCase& c = GetParam();
  EXPECT_EQ(chooseOutcome(c.status, c.userInitiated, c.anythingOnOffer), c.outcome)
      << c.status << " " << c.userInitiated << " " << c.anythingOnOffer;
}

INSTANTIATE_TEST_SUITE_P(
    ResultByCase, OutcomeTest,
    ::testing::Values(OutcomeCase{kStatusAnswered, false, true, CheckOutcome::kPresent},
                      OutcomeCase{kStatusAnswered, true, true, CheckOutcome::kPresent},
                      OutcomeCase{kStatusAnswered, true, false, CheckOutcome::kPresent},
                      OutcomeCase{kStatusAnswered, false, false, CheckOutcome::kCloseUnseen},
                      OutcomeCase{kStatusUnsupported, true, false, CheckOutcome::kReportAndClose},
                      OutcomeCase{kStatusNoConnection, true, false, CheckOutcome::kReportAndClose},
                      OutcomeCase{5, true, false, CheckOutcome::kReportAndClose},
                      OutcomeCase{kStatusBadData, false, false, CheckOutcome::kCloseUnseen},
                      OutcomeCase{kStatusUnreadableReply, false, false,
                                  CheckOutcome::kCloseUnseen}));

// Texts cut at their buffer width.
TEST(DialogTexts, CurrentVersionKeepsNineCharactersOfALongVersion) {
  CheckRecord record = sampleRecord(true, false, false);
  copyBounded(record.currentVersion, "1.2.3.4.5.67", sizeof record.currentVersion);
  char text[kCurrentVersionWidth];
  composeCurrentVersion(record, text);
  EXPECT_STREQ(text, "Your current version: 1.2.3.4.5");
}

TEST(DialogTexts, HeadlineOfA15CharacterLabelIsCut) {
  CheckRecord record = sampleRecord(true, false, false);
  copyBounded(record.softwareLabel, "ABCDEFGHIJKLMNO", sizeof record.softwareLabel);
  char text[kHeadlineWidth];
  composeUpdateHeadline(record, text);
  EXPECT_STREQ(text, "A FREE update for your ABCDEFGHIJKLMNO software is now availabl");
  EXPECT_EQ(std::strlen(text), 63u);

  copyBounded(record.softwareLabel, "ABCDEFGHIJKLM", sizeof record.softwareLabel);
  composeUpdateHeadline(record, text);
  EXPECT_STREQ(text, "A FREE update for your ABCDEFGHIJKLM software is now available!");
}

TEST(DialogTexts, DownloadTextOfA20CharacterNameLosesTheEnd) {
  CheckRecord record = sampleRecord(true, false, false);
  copyBounded(record.displayName, "Twenty Chars Product", sizeof record.displayName);
  char text[kDownloadTextWidth];
  composeDownloadText(record, text);
  EXPECT_STREQ(text, "Download the FREE update for Twenty Chars Produ");

  copyBounded(record.displayName, "Thirteen Char", sizeof record.displayName);
  composeDownloadText(record, text);
  EXPECT_STREQ(text, "Download the FREE update for Thirteen Char now!");
}

TEST(DialogTexts, LongestNameAndUpgradeFitWhole) {
  CheckRecord record = sampleRecord(true, true, false);
  const std::string name(31, 'N');
  const std::string upgrade(47, 'U');
  copyBounded(record.displayName, name.c_str(), sizeof record.displayName);
  copyBounded(record.upgradeName, upgrade.c_str(), sizeof record.upgradeName);

  char title[kTitleWidth];
  composeTitle(record, true, title);
  EXPECT_EQ(std::string(title), name + " - Update Available!");
  EXPECT_EQ(std::strlen(title), 51u);

  char upgradeText[kUpgradeTextWidth];
  composeUpgradeText(record, upgradeText);
  EXPECT_EQ(std::string(upgradeText), "Upgrade to " + upgrade + " now!");
  EXPECT_EQ(std::strlen(upgradeText), 63u);
}

TEST(DialogTexts, PlanCarriesCutTexts) {
  CheckRecord record = sampleRecord(true, false, false);
  copyBounded(record.displayName, "Twenty Chars Product", sizeof record.displayName);
  DialogPlan plan;
  planDialog(record, true, plan);
  std::vector<Step> steps = stepsOf(plan);
  ASSERT_GE(steps.size(), 5u);
  EXPECT_EQ(steps[4], (Step{Kind::kSetText, IDC_DOWNLOAD,
                            "Download the FREE update for Twenty Chars Produ"}));
}

struct MessageCase {
  UpdateStatus status;
  const char* message;
};

class ErrorMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessageTest, NamesTheFailure) {
  char text[kErrorMessageWidth];
  std::memset(text, 'x', sizeof text);
  composeErrorMessage(GetParam().status, text);
  EXPECT_STREQ(text, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    ByStatus, ErrorMessageTest,
    ::testing::Values(
        MessageCase{1, "There was an error in the data sent to the Corvane server."},
        MessageCase{2,
                    "The Corvane server does not currently support checking for updates for this "
                    "product."},
        MessageCase{-1, "The arguments passed to the Update Checker were invalid."},
        MessageCase{-2,
                    "There was an error attempting to connect to the Corvane server. Check your "
                    "internet connections, or try again later."},
        MessageCase{-3, "There was an error interpreting the response from the Corvane server."},
        MessageCase{5, "An error occurred while attempting to check for updates."},
        MessageCase{INT_MIN, "An error occurred while attempting to check for updates."}));

}  // namespace
