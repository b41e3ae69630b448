#include "app/check_policy.h"

#include <gtest/gtest.h>

#include <string>

#include "app/check_record.h"
#include "presentation/debug_lines.h"

namespace {

const std::string kLineStart =
    "Corvane Update Checker: automatic check of \"Echo Box\" 1.5: automatic checks are turned off by policy (the ";

// Whose value decides, and the debug line that then ends the check.
TEST(CheckPolicy, MachineValueDecidesBeforeUsers) {
  constexpr PolicyValue kUnset{false, 0}, kOff{true, 0}, kOn{true, 1}, kTwo{true, 2};
  struct Case {
    PolicyValue machine, user;
    PolicyScope expected;
    const char* whose;
  } const cases[] = {
      {kUnset, kUnset, PolicyScope::kNone, nullptr},
      {kOff, kUnset, PolicyScope::kMachine, "machine's"},
      {kOff, kOn, PolicyScope::kMachine, "machine's"},
      {kUnset, kOff, PolicyScope::kUser, "user's"},
      {kOn, kOff, PolicyScope::kNone, nullptr},
      {kTwo, kOff, PolicyScope::kNone, nullptr},
      {kUnset, kOn, PolicyScope::kNone, nullptr},
  };
  CheckRecord record{};
  copyBounded(record.displayName, "Echo Box", sizeof record.displayName);
  copyBounded(record.currentVersion, "1.5", sizeof record.currentVersion);
  for (const Case& c : cases) {
    PolicyScope scope = automaticChecksTurnedOffBy(c.machine, c.user);
    EXPECT_EQ(scope, c.expected);
    if (c.whose == nullptr) continue;
    char line[kDebugLineWidth];
    composePolicyLine(record, scope, line);
    EXPECT_EQ(line, kLineStart + c.whose + " AutomaticChecks value is 0); nothing sent or shown\n");
  }
}

}  // namespace
