#include "presentation/web_address.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct AddressCase {
  const char* text;
  bool web;
};

class WebAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(WebAddressTest, AcceptsOnlyWebAddresses) {
  EXPECT_EQ(isWebAddress(GetParam().text), GetParam().web) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, WebAddressTest,
    ::testing::Values(
        AddressCase{"https://updates.example/Setup.exe", true},
        AddressCase{"http://updates.example/Setup.exe", true},
        AddressCase{"HTTPS://UPDATES.EXAMPLE/", true},
        AddressCase{"HtTp://x", true},
        AddressCase{"https://x/a?b=c&e=%20\x80\xE9\xFF", true},  // high bytes are handed on widened
        AddressCase{"https://dl.example/x.exe\" --new-window \"file:///C:/", false},
        AddressCase{"https://", true},
        AddressCase{"", false},
        AddressCase{" https://x", false},
        AddressCase{"https:/x", false},
        AddressCase{"https:x", false},
        AddressCase{"http", false},
        AddressCase{"https//x", false},
        AddressCase{"httpx://x", false},
        AddressCase{"ftp://x", false},
        AddressCase{"file:///C:/Windows/System32/calc.exe", false},
        AddressCase{"\\\\server\\share\\Setup.exe", false},
        AddressCase{"C:\\Setup.exe", false},
        AddressCase{"javascript:alert(1)", false},
        AddressCase{"mailto:someone@example", false},
        AddressCase{"http://x\r\n", false},
        AddressCase{"http://x\ty", false},
        AddressCase{"https://x\x7F", false},
        AddressCase{"https://x\x1F", false}));

// Every printable ASCII character a URI may hold is kept; each one it never holds refuses the address.
TEST(WebAddress, PrintableCharactersSplitAtTheUriSet) {
  const std::string refused = " \"<>\\^`{|}";
  std::string allowed = "https://x/";
  for (char c = 0x21; c < 0x7F; ++c) allowed += refused.find(c) == std::string::npos ? std::string(1, c) : "";
  EXPECT_TRUE(isWebAddress(allowed.c_str())) << allowed;
  for (char c : refused) EXPECT_FALSE(isWebAddress((allowed + c).c_str())) << c;
}

TEST(WebAddress, NullIsNotAnAddress) { EXPECT_FALSE(isWebAddress(nullptr)); }

}  // namespace
