#include "app/check_policy.h"

#include <gtest/gtest.h>

namespace {

struct ValueCase {
  uint32_t type;
  uint32_t size;
  uint8_t data[4];
  bool present;
  uint32_t value;
};

constexpr uint32_t kBinary = 3, kString = 1, kBigEndianDword = 5;

class PolicyValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PolicyValueTest, OnlyAWholeDwordCounts) {
  const ValueCase& c = GetParam();
  PolicyValue got = policyValueOf(c.type, c.size, c.data);
  EXPECT_EQ(got.present, c.present);
  if (c.present) EXPECT_EQ(got.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(Values, PolicyValueTest, ::testing::Values(
  ValueCase{kRegistryDwordType, 4, {0, 0, 0, 0}, true, 0},
  ValueCase{kRegistryDwordType, 4, {1, 0, 0, 0}, true, 1},
  ValueCase{kRegistryDwordType, 4, {0, 0, 0, 1}, true, 0x01000000},
  ValueCase{kRegistryDwordType, 2, {0, 0, 0, 0}, false, 0},
  ValueCase{kRegistryDwordType, 0, {0, 0, 0, 0}, false, 0},
  ValueCase{kRegistryDwordType, 8, {0, 0, 0, 0}, false, 0},
  ValueCase{kBinary, 4, {0, 0, 0, 0}, false, 0},
  ValueCase{kString, 4, {'0', 0, 0, 0}, false, 0},
  ValueCase{kBigEndianDword, 4, {0, 0, 0, 0}, false, 0}));

}  // namespace
