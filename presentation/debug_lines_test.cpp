#include "presentation/debug_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/check_record.h"
#include "presentation/update_decision.h"
#include "resources/resource.h"

namespace {

constexpr char kWeb[] = "https://example.com/x";
const std::string kAutomatic = "Corvane Update Checker: automatic check of \"Echo Box\" 1.5: ";
const std::string kUser = "Corvane Update Checker: user-initiated check of \"Echo Box\" 1.5: ";

CheckRecord offering(const char* version, const char* installer, const char* name, const char* page, bool user) {
  CheckRecord record{};
  copyBounded(record.displayName, "Echo Box", sizeof record.displayName);
  copyBounded(record.softwareLabel, "Studio", sizeof record.softwareLabel);
  copyBounded(record.currentVersion, "1.5", sizeof record.currentVersion);
  copyBounded(record.newVersion, version, sizeof record.newVersion);
  copyBounded(record.installerUrl, installer, sizeof record.installerUrl);
  copyBounded(record.upgradeName, name, sizeof record.upgradeName);
  copyBounded(record.upgradePageUrl, page, sizeof record.upgradePageUrl);
  record.userInitiated = user;
  return record;
}

// The decision's reasons and the outcome, as the line tells them (no skip-list entries here).
TEST(DebugLines, CheckLineNamesOffersReasonsAndOutcome) {
  struct Case {
    UpdateStatus status;
    const char *version, *installer, *name, *page;
    bool user;
    const char* expected;  // after the check's name
  } const cases[] = {
      {0, "2.0", "", "", kWeb, false,
       "update 2.0 withheld (none on offer), upgrade withheld (none on offer); nothing shown (automatic)"},
      {0, "1.4", kWeb, "Echo Box 2", "file:///C:/x", true,
       "update 1.4 withheld (not newer), upgrade \"Echo Box 2\" withheld (not a web address); "
       "dialog shown as up to date"},
      {0, "2.1", kWeb, "Echo\nBox", kWeb, false, "update 2.1 offered, upgrade \"Echo?Box\" offered; dialog shown"},
      {-2, "2.1", kWeb, "", "", false, "request failed (-2); nothing shown (automatic)"},
      {7, "", "", "", "", true, "check failed (7); error message shown"},
  };
  for (const Case& c : cases) {
    CheckRecord record = offering(c.version, c.installer, c.name, c.page, c.user);
    bool offered = c.status == kStatusAnswered && decideOffers(record);
    char line[kDebugLineWidth];
    composeCheckLine(record, c.status, chooseOutcome(c.status, c.user, offered), true, line);
    EXPECT_EQ(line, (c.user ? kUser : kAutomatic) + c.expected + "\n");
  }
}

// What composed a line, and the line it gave (empty when nothing was composed).
std::string commandLine(const CheckRecord& record, int commandId,
                        AddressResult opened = {}) {
  char line[kDebugLineWidth];
  bool composed = composeCommandLine(record, commandId, opened, line);
  EXPECT_EQ(composed, line[0] != '\0');
  return line;
}

std::string checkLine(const CheckRecord& record, UpdateStatus status, CheckOutcome outcome, bool shown = true) {
  char line[kDebugLineWidth];
  composeCheckLine(record, status, outcome, shown, line);
  return line;
}

std::string blockReasonLine(const CheckRecord& record, unsigned long error) {
  char line[kDebugLineWidth];
  composeBlockReasonLine(record, error, line);
  return line;
}

std::string saveFailureLine(const char* fileName) {
  char line[kDebugLineWidth];
  composeSaveFailureLine(fileName, line);
  return line;
}

// Buttons, odd names and the longest line, word for word.
TEST(DebugLines, OtherLinesSayExactlyWhatHappened) {
  CheckRecord updateOnly = offering("2.1", kWeb, "", "", false);
  updateOnly.updateAvailable = true;
  copyBounded(updateOnly.skipKey, "Echo Box|Studio", sizeof updateOnly.skipKey);
  CheckRecord upgradeOnly = offering("1.0", kWeb, "Echo Box 2", kWeb, false);
  decideOffers(upgradeOnly);
  CheckRecord deleted = offering("2.1", kWeb, "", "", true);
  copyBounded(deleted.displayName, "Echo\x7F" "Box", sizeof deleted.displayName);
  const std::string longName(600, 'n');
  const std::pair<std::string, std::string> cases[] = {
      {commandLine(updateOnly, IDC_DONT_REMIND),
       kAutomatic + "don't-remind pressed: update 2.1 recorded under \"Echo Box|Studio\"\n"},
      {commandLine(offering("2.1", "file:///C:/setup.exe", "", "", false), IDC_DOWNLOAD),
       kAutomatic + "download pressed: notice shown, then nothing opened (installer not a web address)\n"},
      {commandLine(updateOnly, IDC_DOWNLOAD, {AddressOutcome::kOpenedHere}),
       kAutomatic + "download pressed: notice shown, then installer " + kWeb + " opened by the checker\n"},
      {commandLine(updateOnly, IDC_DOWNLOAD, {AddressOutcome::kOpenHereFailed, Elevation::kLimited, 1155}),
       kAutomatic + "download pressed: notice shown, then installer " + kWeb +
           " not opened: the shell could not open it (error 1155)\n"},
      {commandLine(upgradeOnly, IDC_UPGRADE, {AddressOutcome::kHandedToDesktop, Elevation::kElevated}),
       kAutomatic + "upgrade pressed: upgrade page " + kWeb + " handed to the desktop shell (the checker is elevated)\n"},
      {commandLine(upgradeOnly, IDC_UPGRADE, {AddressOutcome::kHandedToDesktop, Elevation::kUnknown}),
       kAutomatic + "upgrade pressed: upgrade page " + kWeb +
           " handed to the desktop shell (the checker's rights could not be read)\n"},
      {commandLine(upgradeOnly, IDC_UPGRADE, {AddressOutcome::kNoDesktopShell, Elevation::kElevated}),
       kAutomatic + "upgrade pressed: upgrade page " + kWeb + " not opened (the checker is elevated and the desktop "
                    "shell could not be reached); the address was shown to the user\n"},
      {commandLine(upgradeOnly, IDC_UPGRADE, {AddressOutcome::kNoDesktopShell, Elevation::kUnknown}),
       kAutomatic + "upgrade pressed: upgrade page " + kWeb + " not opened (the checker's rights could not be read "
                    "and the desktop shell could not be reached); the address was shown to the user\n"},
      {commandLine(upgradeOnly, IDC_UPGRADE, {AddressOutcome::kNoBrowser, Elevation::kElevated}),
       kAutomatic + "upgrade pressed: upgrade page " + kWeb +
           " not opened (no web browser is set up); the address was shown to the user\n"},
      {commandLine(updateOnly, IDC_DOWNLOAD, {AddressOutcome::kTimedOut, Elevation::kUnknown}),
       kAutomatic + "download pressed: notice shown, then installer " + kWeb +
           " not opened (the shell did not answer in time); the address was shown to the user\n"},
      {commandLine(updateOnly, 1234), ""},
      {checkLine(deleted, 7, CheckOutcome::kReportAndClose),
       "Corvane Update Checker: user-initiated check of \"Echo?Box\" 1.5: check failed (7); error message shown\n"},
      {checkLine(upgradeOnly, kStatusAnswered, CheckOutcome::kPresent),
       kAutomatic + "update 1.0 withheld (not newer), upgrade \"Echo Box 2\" offered; dialog shown\n"},
      {checkLine(upgradeOnly, kStatusAnswered, CheckOutcome::kPresent, false),
       kAutomatic + "update 1.0 withheld (not newer), upgrade \"Echo Box 2\" offered; dialog could not be shown; "
                    "closed unseen\n"},
      {checkLine(deleted, -3, CheckOutcome::kReportAndClose, false),
       "Corvane Update Checker: user-initiated check of \"Echo?Box\" 1.5: reply missing or unreadable (-3); "
       "error message could not be shown\n"},
      {blockReasonLine(updateOnly, 120),
       kAutomatic + "log-off may cut the button's work short: Windows refused its reason (error 120)\n"},
      {saveFailureLine(longName.c_str()), "Corvane Update Checker: saving " + longName.substr(0, 510 - 31) + "\n"},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(line, expected);
}

}  // namespace
