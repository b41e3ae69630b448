#include "presentation/web_address.h"

#include <gtest/gtest.h>

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
        AddressCase{"https://x/a b?c=d&e=%20\x80\xFF", true},  // high bytes are not control bytes
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

TEST(WebAddress, NullIsNotAnAddress) { EXPECT_FALSE(isWebAddress(nullptr)); }

}  // namespace
