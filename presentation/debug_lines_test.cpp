#include "presentation/debug_lines.h"

#include <gtest/gtest.h>

#include <string>

#include "app/check_record.h"
#include "presentation/update_decision.h"

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
    composeCheckLine(record, c.status, chooseOutcome(c.status, c.user, offered), line);
    EXPECT_EQ(line, (c.user ? kUser : kAutomatic) + c.expected + "\n");
  }
}

}  // namespace
