#include "app/open_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(OpenAddress, OnlyALimitedCheckerOpensItself) {
  EXPECT_TRUE(opensAddressItself(Elevation::kLimited));
  EXPECT_FALSE(opensAddressItself(Elevation::kElevated));
  EXPECT_FALSE(opensAddressItself(Elevation::kUnknown));  // may be elevated
}

// Who tells the user when an address was not opened, and what the box says: the shell tells of
// its own failure; for the rest only the checker can, with the reason that fits.
TEST(OpenAddress, TheUserIsToldWhyWhenNobodyElseTells) {
  struct Case {
    AddressResult result;
    bool told;
    const char* reason;  // in the box
  } const cases[] = {
      {{AddressOutcome::kOpenedHere}, false, nullptr},
      {{AddressOutcome::kOpenHereFailed, Elevation::kLimited, 2}, false, nullptr},
      {{AddressOutcome::kHandedToDesktop, Elevation::kElevated}, false, nullptr},
      {{AddressOutcome::kNotWebAddress}, false, nullptr},
      {{AddressOutcome::kNoDesktopShell, Elevation::kElevated}, true, "runs with administrator rights"},
      {{AddressOutcome::kNoDesktopShell, Elevation::kUnknown}, true, "could not read its own rights"},
      {{AddressOutcome::kNoBrowser, Elevation::kElevated}, true, "No web browser is set up"},
      {{AddressOutcome::kTimedOut, Elevation::kUnknown}, true, "did not open it in time"},
  };
  for (const Case& c : cases) {
    int outcome = static_cast<int>(c.result.outcome);
    EXPECT_EQ(userMustBeTold(c.result.outcome), c.told) << outcome;
    if (c.reason == nullptr) continue;
    char text[kNotOpenedTextWidth];
    composeNotOpenedText("https://example.com/a", c.result, text);
    std::string box = text;
    EXPECT_NE(box.find("\r\nhttps://example.com/a\r\n"), std::string::npos) << box;  // a line of its own
    EXPECT_NE(box.find(c.reason), std::string::npos) << outcome << " " << box;
  }
}

}  // namespace
