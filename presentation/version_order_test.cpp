#include "presentation/version_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

struct OrderCase {
  const char* a;
  const char* b;
  int expected;  // sign of compareVersions(a, b)
};

class VersionOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(VersionOrderTest, OrdersBothWays) {
  const OrderCase& c = GetParam();
  EXPECT_EQ(sign(compareVersions(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
  EXPECT_EQ(sign(compareVersions(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
}

INSTANTIATE_TEST_SUITE_P(
    Table, VersionOrderTest,
    ::testing::Values(
        OrderCase{"1.10", "1.9", 1},          // numbers by value, not bytes
        OrderCase{"10.0", "2.0", 1},
        OrderCase{"1.0", "1.0.0", 0},         // trailing zeros add nothing
        OrderCase{"1.0.1", "1.0", 1},
        OrderCase{"2.0a2", "2.0b1", -1},      // texts byte-wise
        OrderCase{"2.0b1", "2.0", -1},        // a text tail is a pre-release
        OrderCase{"2.0a2", "2.0", -1},
        OrderCase{"1.0.0b1", "1.0", -1},
        OrderCase{"1.2.0", "1.2rc1", 1},      // separator above text
        OrderCase{"", "0", 0},
        OrderCase{"", "", 0},
        OrderCase{"", "0.0.0", 0},
        OrderCase{"", "1", -1},
        OrderCase{"", "a", 1},
        OrderCase{"1.", "1", 0},
        OrderCase{"1.9", "1.9", 0},
        OrderCase{"01.002", "1.2", 0},        // leading zeros ignored
        OrderCase{"1.2", "1.3", -1},
        OrderCase{"2.0", "10.0", -1},
        OrderCase{"1.5", "2.0", -1},
        OrderCase{"2.1", "2.0", 1},
        OrderCase{"99999999999999999999", "99999999999999999998", 1},  // beyond 64 bits
        OrderCase{"100000000000000000000", "99999999999999999999", 1},
        OrderCase{"0000000000000000000001", "1", 0},
        OrderCase{"1a", "1.a", -1},           // separator above text
        OrderCase{"a5", "a.5", 1},            // number above separator
        OrderCase{"1a", "1", -1},
        OrderCase{"1b", "1a", 1},
        OrderCase{"1ab", "1a", 1},            // longer text, same start
        OrderCase{"1.0a", "1.0b", -1},
        OrderCase{"1.0rc1", "1.0rc2", -1},
        OrderCase{"1.0rc10", "1.0rc9", 1},
        OrderCase{"1.0 beta", "1.0", -1},
        OrderCase{"1.0-1", "1.0", -1},
        OrderCase{"1.0\xE9", "1.0e", 1},      // bytes compare unsigned
        OrderCase{"v2", "v10", -1},
        OrderCase{"1.2.3.4", "1.2.3", 1},
        OrderCase{"1.2.3", "1.2.3.0.0.0", 0},
        // A zero and a separator rank alike, so these three stay consistent with each other.
        OrderCase{"1.0", "1..", 0},
        OrderCase{"1..5", "1", 1},
        OrderCase{"1.0.a", "1", -1},
        OrderCase{"1..5", "1.0.a", 1},
        // Zero padding before a pre-release text adds nothing, as it does at the end.
        OrderCase{"3.3b1", "3.3.0b1", 0},
        OrderCase{"3.3.00b1", "3.3b1", 0},
        OrderCase{"1.0pre1", "1.0.0pre1", 0},
        OrderCase{"1.5-r2", "1.5.0-r2", 0},
        OrderCase{"1.0.1b1", "1.0b1", 1},
        OrderCase{"1.0b1", "1.0.0", -1},
        OrderCase{"3.3.0b1", "3.3", -1}));

TEST(VersionOrder, NullReadsAsEmpty) {
  EXPECT_EQ(compareVersions(nullptr, ""), 0);
  EXPECT_EQ(compareVersions(nullptr, "0"), 0);
  EXPECT_LT(compareVersions(nullptr, "1"), 0);
  EXPECT_GT(compareVersions("1", nullptr), 0);
}

// Versions built from the pieces that make the order interesting: zeros, leading zeros,
// separators in any number, texts that are prefixes of each other.
std::string randomVersion(std::mt19937& random) {
  static const char* const pieces[] = {"0", "00", "1", "01", "2", "9", "10",  ".",
                                       ".", ".", "a", "b", "ab", "rc", "-", "\xFF"};
  std::uniform_int_distribution<int> length(0, 7);
  std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(pieces)) - 1);
  std::string version;
  for (int n = length(random); n > 0; --n) version += pieces[pick(random)];
  return version;
}

TEST(VersionOrder, IsATotalOrder) {
  std::mt19937 random(20261208);
  std::vector<std::string> versions;
  for (int i = 0; i < 120; ++i) versions.push_back(randomVersion(random));
  for (const std::string& a : versions) {
    ASSERT_EQ(compareVersions(a.c_str(), a.c_str()), 0) << a;
    for (const std::string& b : versions) {
      int ab = sign(compareVersions(a.c_str(), b.c_str()));
      ASSERT_EQ(ab, -sign(compareVersions(b.c_str(), a.c_str()))) << a << " vs " << b;
      for (const std::string& c : versions) {
        int bc = sign(compareVersions(b.c_str(), c.c_str()));
        int ac = sign(compareVersions(a.c_str(), c.c_str()));
        // a <= b <= c gives a <= c, strictly when either step is strict; a = b carries over.
        if (ab <= 0 && bc <= 0) ASSERT_EQ(ac, ab + bc < 0 ? -1 : 0) << a << " " << b << " " << c;
        if (ab == 0) ASSERT_EQ(ac, bc) << a << " = " << b << ", vs " << c;
      }
    }
  }
}

// Plain dotted numbers must order like tuples of their values, missing parts counting as 0.
TEST(VersionOrder, DottedNumbersOrderLikeTuples) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> parts(1, 4);
  std::uniform_int_distribution<int> value(0, 12);
  auto make = [&](std::vector<int>& tuple) {
    tuple.assign(4, 0);
    std::string text;
    int n = parts(random);
    for (int i = 0; i < n; ++i) {
      tuple[i] = value(random);
      if (i > 0) text += '.';
      text += std::to_string(tuple[i]);
    }
    return text;
  };
  for (int i = 0; i < 5000; ++i) {
    std::vector<int> x, y;
    std::string a = make(x);
    std::string b = make(y);
    int expected = x < y ? -1 : (y < x ? 1 : 0);
    ASSERT_EQ(sign(compareVersions(a.c_str(), b.c_str())), expected) << a << " vs " << b;
  }
}

}  // namespace
