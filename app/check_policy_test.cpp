#include "app/check_policy.h"

#include <gtest/gtest.h>

namespace {

TEST(PolicyValueTest, OnlyAWholeDwordCounts) {
  // Registry types: 4 REG_DWORD, 3 REG_BINARY, 1 REG_SZ, 5 REG_DWORD_BIG_ENDIAN.
  struct {
    uint32_t type, size;
    uint8_t data[4];
    bool present;
    uint32_t value;
  } const cases[] = {{4, 4, {0, 0, 0, 0}, true, 0}, {4, 4, {1, 0, 0, 0}, true, 1},
                     {4, 4, {0, 0, 0, 1}, true, 0x01000000}, {4, 2, {0, 0, 0, 0}, false, 0},
                     {4, 0, {}, false, 0}, {4, 8, {}, false, 0}, {3, 4, {}, false, 0},
                     {1, 4, {'0', 0, 0, 0}, false, 0}, {5, 4, {}, false, 0}};
  for (const auto& c : cases) {
    PolicyValue got = policyValueOf(c.type, c.size, c.data);
    EXPECT_EQ(got.present, c.present) << c.type << " " << c.size;
    EXPECT_EQ(got.value, c.value) << c.type << " " << c.size;
  }
}

TEST(PolicyScopeTest, OnlyZeroTurnsChecksOffAndTheMachineDecidesFirst) {
  const PolicyValue absent = {false, 0}, zero = {true, 0}, one = {true, 1}, two = {true, 2};
  struct {
    PolicyValue machine, user;
    PolicyScope scope;
  } const cases[] = {{absent, absent, PolicyScope::kNone}, {zero, absent, PolicyScope::kMachine},
                     {two, absent, PolicyScope::kNone},    {absent, zero, PolicyScope::kUser},
                     {absent, two, PolicyScope::kNone},    {absent, one, PolicyScope::kNone},
                     {one, zero, PolicyScope::kNone},      {two, zero, PolicyScope::kNone},
                     {zero, two, PolicyScope::kMachine}};
  for (const auto& c : cases) {
    EXPECT_EQ(automaticChecksTurnedOffBy(c.machine, c.user), c.scope)
        << c.machine.present << c.machine.value << " " << c.user.present << c.user.value;
  }
}

}  // namespace
