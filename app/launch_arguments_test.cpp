#include "app/launch_arguments.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/check_record.h"

namespace {

struct ParseCase {
  const char* argument;
  bool ok;
  const char* productName;
  const char* platform;
  const char* productType;
  const char* currentVersion;
  const char* displayName;
  const char* softwareLabel;
  bool userInitiated;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, SplitsIntoLaunchFields) {
  const ParseCase& c = GetParam();
  CheckRecord record{};
  ASSERT_EQ(parseLaunchArguments(record, c.argument), c.ok) << c.argument;
  if (!c.ok) return;
  EXPECT_STREQ(record.productName, c.productName);
  EXPECT_STREQ(record.platform, c.platform);
  EXPECT_STREQ(record.productType, c.productType);
  EXPECT_STREQ(record.currentVersion, c.currentVersion);
  EXPECT_STREQ(record.displayName, c.displayName);
  EXPECT_STREQ(record.softwareLabel, c.softwareLabel);
  EXPECT_EQ(record.userInitiated, c.userInitiated);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseTest,
    ::testing::Values(
        ParseCase{"", false, "", "", "", "", "", "", false},
        ParseCase{"n", false, "", "", "", "", "", "", false},
        ParseCase{"n|p|t|v|d", false, "", "", "", "", "", "", false},
        ParseCase{"n|p|t|v|d|s", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d|s|", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d|s|Y", true, "n", "p", "t", "v", "d", "s", true},
        ParseCase{"n|p|t|v|d|s|Yes", true, "n", "p", "t", "v", "d", "s", true},
        ParseCase{"n|p|t|v|d|s|y", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d|s|1", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d|s|N", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d|s|N|Y", true, "n", "p", "t", "v", "d", "s", false},
        ParseCase{"n|p|t|v|d||Y", true, "n", "p", "t", "v", "d", "", true},
        ParseCase{"|||||", true, "", "", "", "", "", "", false},
        ParseCase{"Tone Lab Pro|x64|VST3|1.0%20beta|Tone%20Lab|Studio%20FX", true,
                  "Tone%20Lab%20Pro", "x64", "VST3", "1.0 beta", "Tone Lab", "Studio FX", false},
        ParseCase{"Tone%20Lab|%20|%20|1.0%20|d|s", true, "Tone%20Lab", "%20", "%20", "1.0 ", "d", "s",
                  false},
        ParseCase{"A&B|p|t|1.0%2|%2520|%%20", true, "A&B", "p", "t", "1.0%2", "%2520", "% ", false},
        // Over-long fields are cut to their width, never overflowing a neighbour.
        ParseCase{"ProductNameThatIsFarTooLongToFitItsField|win64|plugin|1.2.3.4.5.6.7.8.9|"
                  "A Display Name Well Beyond Thirty One|A Label Too Long|Y",
                  true, "ProductNameThatIsFarTooLongToFi", "win6", "plugi", "1.2.3.4.5.6.7.8",
                  "A Display Name Well Beyond Thir", "A Label Too Lon", true}));

TEST(EncodeSpacesTest, NeverSplitsAnEncodedSpace) {
  CheckRecord record{};
  // 29 letters then a space: "%20" would need bytes 30..32, so it is dropped whole.
  encodeSpaces(record, "abcdefghijklmnopqrstuvwxyzabc d");
  EXPECT_STREQ(record.productName, "abcdefghijklmnopqrstuvwxyzabc");
  encodeSpaces(record, "abcdefghijklmnopqrstuvwxyzab d");
  EXPECT_STREQ(record.productName, "abcdefghijklmnopqrstuvwxyzab%20");
  EXPECT_EQ(std::strlen(record.productName), 31u);
  encodeSpaces(record, "          ");
  EXPECT_STREQ(record.productName, "%20%20%20%20%20%20%20%20%20%20");
}

TEST(DecodeSpacesTest, OnlyWholeSequencesAreDecoded) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"1.0%20beta", "1.0 beta"}, {"1.0%20", "1.0 "}, {"1.0%2", "1.0%2"}, {"%", "%"},
      {"%2520", "%2520"},         {"%%20", "% "},     {"%20%20", "  "},   {"%21", "%21"},
  };
  for (const auto& c : cases) {
    char buffer[32];
    std::strcpy(buffer, c.in);
    decodeSpaces(buffer);
    EXPECT_STREQ(buffer, c.out) << c.in;
  }
}

TEST(ConvertArgumentTest, Latin1PassesAndWiderEmpties) {
  char out[kArgumentBufferSize];
  convertArgument(L"Caf\u00e9|p|t|v|d|s", out);
  EXPECT_STREQ(out, "Caf\xe9|p|t|v|d|s");
  convertArgument(L"\u0416|p|t|v|d|s", out);
  EXPECT_STREQ(out, "");
}

TEST(ConvertArgumentTest, KeepsTheFirst127CodeUnits) {
  std::wstring wide = L"n|p|t|v|d|";
  wide += std::wstring(117, L's');  // 127 units so far
  wide += L"|Y";                     // beyond the cut
  wide += std::wstring(60, L'x');
  wide += L"\u0416";                 // a wide character past the cut is never seen
  char out[kArgumentBufferSize];
  convertArgument(wide.c_str(), out);
  EXPECT_EQ(std::strlen(out), 127u);
  CheckRecord record{};
  ASSERT_TRUE(parseLaunchArguments(record, out));
  EXPECT_STREQ(record.softwareLabel, "sssssssssssssss");
  EXPECT_FALSE(record.userInitiated);
}

}  // namespace
