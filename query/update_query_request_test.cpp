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

TEST(RequestConstantsTest, HeaderLengthIsTheTextsLength) {
  EXPECT_EQ(std::strlen(kRequestHeader), kRequestHeaderLength);
  EXPECT_LT(std::strlen(kRequestHeader), kHeaderWidth);
  EXPECT_LT(std::strlen(kUpdateHost), kHostWidth);
  EXPECT_LT(std::strlen(kAcceptAnyType), kAcceptTypeBound);
}

TEST(RequestConstantsTest, FlagsKeepCertificateAndRedirectChecks) {
  constexpr uint32_t ignoreCertNameInvalid = 0x00001000;
  constexpr uint32_t ignoreCertDateInvalid = 0x00002000;
  constexpr uint32_t ignoreRedirectToHttp = 0x00008000;
  constexpr uint32_t secure = 0x00800000;
  EXPECT_EQ(kRequestFlags & (ignoreCertNameInvalid | ignoreCertDateInvalid | ignoreRedirectToHttp), 0u);
  EXPECT_EQ(kRequestFlags & secure, secure);
  // Everything else of the usual flag word stays.
  EXPECT_EQ(kRequestFlags | ignoreCertNameInvalid | ignoreCertDateInvalid | ignoreRedirectToHttp, 0x8484F700u);
}

}  // namespace
