#include "app/open_address.h"

#include <gtest/gtest.h>

namespace {

// Never opened by a process that may be elevated, whatever the desktop's shell does.
TEST(OpenAddress, OnlyALimitedCheckerOpensItself) {
  struct Case {
    Elevation elevation;
    bool desktopShellTookIt;
    AddressOutcome expected;
  } const cases[] = {
      {Elevation::kLimited, false, AddressOutcome::kOpenedHere},
      {Elevation::kLimited, true, AddressOutcome::kOpenedHere},
      {Elevation::kElevated, true, AddressOutcome::kHandedToDesktop},
      {Elevation::kElevated, false, AddressOutcome::kUserTold},
      {Elevation::kUnknown, true, AddressOutcome::kHandedToDesktop},
      {Elevation::kUnknown, false, AddressOutcome::kUserTold},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(addressOutcome(c.elevation, c.desktopShellTookIt), c.expected)
        << static_cast<int>(c.elevation) << " " << c.desktopShellTookIt;
    EXPECT_EQ(opensAddressItself(c.elevation), c.expected == AddressOutcome::kOpenedHere);
  }
}

}  // namespace
