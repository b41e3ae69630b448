#include "query/update_query_request.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/check_record.h"

namespace {

struct ObjectNameCase {
  const char* productName;
  const char* platform;
  const char* productType;
  const char* query;  // what follows the base path
};

class ObjectNameTest : public ::testing::TestWithParam<ObjectNameCase> {};

TEST_P(ObjectNameTest, AppendsTheThreeFieldsAsTheyStand) {
  const ObjectNameCase& c = GetParam();
  CheckRecord record{};
  copyBounded(record.productName, c.productName, sizeof record.productName);
  copyBounded(record.platform, c.platform, sizeof record.platform);
  copyBounded(record.productType, c.productType, sizeof record.productType);
  char objectName[kObjectNameWidth];
  std::memset(objectName, 'x', sizeof objectName);
  buildObjectName(objectName, sizeof objectName, record);
  EXPECT_EQ(std::string(objectName), std::string("stelmarvine/ProductVersionProvider.aspx") + c.query);
}

INSTANTIATE_TEST_SUITE_P(
    Products, ObjectNameTest,
    ::testing::Values(ObjectNameCase{"Foo%20Bar", "x64", "VST3", "?name=Foo%20Bar&plat=x64&type=VST3"},
                      ObjectNameCase{"Tone%20Lab%20Pro", "", "", "?name=Tone%20Lab%20Pro&plat=&type="},
                      ObjectNameCase{"", "", "", "?name=&plat=&type="},
                      ObjectNameCase{"A&B", "%20", "a=b", "?name=A&B&plat=%20&type=a=b"}));

TEST(ObjectNameTest, LongestFieldsFitTheBuffer) {
  CheckRecord record{};
  std::memset(record.productName, 'n', sizeof record.productName - 1);
  std::memset(record.platform, 'p', sizeof record.platform - 1);
  std::memset(record.productType, 't', sizeof record.productType - 1);
  char objectName[kObjectNameWidth];
  buildObjectName(objectName, sizeof objectName, record);
  EXPECT_EQ(std::strlen(objectName), 97u);
  EXPECT_EQ(std::string(objectName).substr(std::strlen(objectName) - 15), "pppp&type=ttttt");
}

TEST(ObjectNameTest, StaysWithinASmallerBuffer) {
  CheckRecord record{};
  copyBounded(record.productName, "Foo", sizeof record.productName);
  char objectName[32];
  buildObjectName(objectName, sizeof objectName, record);
  EXPECT_EQ(std::string(objectName), "stelmarvine/ProductVersionProvi");
}

TEST(RequestConstantsTest, TextsFitTheirBuffers) {
  EXPECT_LT(std::strlen(kRequestHeader), kHeaderWidth);
  EXPECT_LT(std::strlen(kUpdateHost), kHostWidth);
  EXPECT_LT(std::strlen(kAcceptAnyType), kAcceptTypeBound);
}

// WinINet's INTERNET_FLAG_* values: this test is built without the Windows headers.
constexpr uint32_t kFlagReload = 0x80000000;
constexpr uint32_t kFlagSecure = 0x00800000;
constexpr uint32_t kFlagIgnoreRedirectToHttp = 0x00008000;
constexpr uint32_t kFlagIgnoreCertDateInvalid = 0x00002000;
constexpr uint32_t kFlagIgnoreCertNameInvalid = 0x00001000;

// The reply is trusted because it came over TLS from the named host, and it must be the
// server's current answer: a cached one could hide a newer version.
TEST(RequestConstantsTest, FlagsAskForTlsAndAFreshReply) {
  EXPECT_EQ(kRequestFlags & kFlagSecure, kFlagSecure);
  EXPECT_EQ(kRequestFlags & kFlagReload, kFlagReload);
}

// Besides the status callback's own look at each redirect, WinINet is to refuse one from HTTPS to
// HTTP, and to keep checking the certificate's name and date.
TEST(RequestConstantsTest, FlagsKeepCertificateAndRedirectChecks) {
  EXPECT_EQ(kRequestFlags & kFlagIgnoreCertNameInvalid, 0u);
  EXPECT_EQ(kRequestFlags & kFlagIgnoreCertDateInvalid, 0u);
  EXPECT_EQ(kRequestFlags & kFlagIgnoreRedirectToHttp, 0u);
}

}  // namespace
