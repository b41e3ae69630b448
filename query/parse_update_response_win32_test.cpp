#include "query/parse_update_response.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/check_record.h"

namespace {

struct ReplyCase {
  const char* label;
  std::string document;
  UpdateStatus outcome;
  std::string newVersion;
  std::string installerUrl;
  std::string upgradeName;
  std::string upgradePageUrl;
};

void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.label; }

UpdateStatus parse(CheckRecord& record, const std::string& document) {
  copyBounded(record.responseText, document.c_str(), sizeof record.responseText);
  return ParseUpdateResponse(&record);
}

class ReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyTest, YieldsOutcomeAndFields) {
  const ReplyCase& c = GetParam();
  static CheckRecord record;
  record = CheckRecord{};
  EXPECT_EQ(parse(record, c.document), c.outcome);
  EXPECT_EQ(record.newVersion, c.newVersion);
  EXPECT_EQ(record.installerUrl, c.installerUrl);
  EXPECT_EQ(record.upgradeName, c.upgradeName);
  EXPECT_EQ(record.upgradePageUrl, c.upgradePageUrl);
}

const char kInstaller[] = "https://downloads.example.test/tonelab/ToneLab-2.1.0-setup.exe";
const char kPage[] = "https://www.example.test/products/tonelab-studio?from=2.0&amp;x=1";

const std::string kBillionLaughs =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE lolz [\n"
    " <!ENTITY lol \"lol\">\n"
    " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
    " <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
    " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
    " <!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
    " <!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">\n"
    " <!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">\n"
    " <!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">\n"
    " <!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">\n"
    " <!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">\n"
    "]>\n"
    "<r><Result>0</Result><version>&lol9;</version><upgradeName>x&lol9;</upgradeName></r>";

INSTANTIATE_TEST_SUITE_P(
    Documents, ReplyTest,
    ::testing::Values(
        ReplyCase{"example reply",
                  std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><ProductVersion><Result>0</Result>"
                              "<version>2.1.0</version><installer>") +
                      kInstaller + "</installer><upgradeName>Tone Lab Studio</upgradeName><upgradePage>" + kPage +
                      "</upgradePage></ProductVersion>",
                  0, "2.1.0", kInstaller, "Tone Lab Studio",
                  "https://www.example.test/products/tonelab-studio?from=2.0&x=1"},
        ReplyCase{"only Result 2", "<r><Result>2</Result></r>", 2, "", "", "", ""},
        ReplyCase{"Result 1 then 0", "<r><Result>1</Result><Result>0</Result></r>", 0, "", "", "", ""},
        ReplyCase{"Result as the root", "<Result>1</Result>", 1, "", "", "", ""},
        ReplyCase{"deeply nested", "<a><b><c><Result>0</Result><d><version>3.0</version></d></c></b></a>", 0,
                  "3.0", "", "", ""},
        ReplyCase{"case-sensitive names", "<r><result>0</result><Version>9.9</Version></r>", -3, "", "", "", ""},
        ReplyCase{"namespace prefixes",
                  "<u:reply xmlns:u=\"urn:corvane:update\" xmlns:v=\"urn:other\"><u:Result>0</u:Result>"
                  "<v:version>2.2</v:version><upgradeName xmlns=\"urn:third\">Next</upgradeName></u:reply>",
                  0, "2.2", "", "Next", ""},
        ReplyCase{"attribute not read", "<r><Result>0</Result><version value=\"4.0\"/></r>", 0, "", "", "", ""},
        ReplyCase{"text after an empty element goes into it",
                  "<r><Result>0</Result><version/>5.0<installer>http://a/</installer></r>", 0, "5.0",
                  "http://a/", "", ""},
        ReplyCase{"text after the end tag", "<r><version>1.0</version>tail</r>", -3, "tail", "", "", ""},
        ReplyCase{"CDATA ignored", "<r><Result>0</Result><version><![CDATA[9.9]]></version></r>", 0, "", "", "",
                  ""},
        ReplyCase{"CDATA beside text", "<r><version>1.0<![CDATA[9.9]]></version></r>", -3, "1.0", "", "", ""},
        ReplyCase{"comment splits the text, the last part wins",
                  "<r><!-- reply --><Result>0</Result><version>2.<!-- minor -->7</version></r>", 0, "7", "", "",
                  ""},
        ReplyCase{"processing instruction ignored", "<r><?note x?><Result>1</Result></r>", 1, "", "", "", ""},
        ReplyCase{"entity and character references",
                  "<r><Result>&#48;</Result><upgradeName>A&amp;B &lt;Pro&gt; &#x43;&#97;f&#233;</upgradeName></r>",
                  0, "", "", "A&B <Pro> Caf\xE9", ""},
        ReplyCase{"whitespace nodes change nothing",
                  "<r>\n  <Result>0</Result>\n  <version>2.1.0</version>\n  \n\t<upgradeName>N</upgradeName>\n</r>\n",
                  0, "2.1.0", "", "N", ""},
        ReplyCase{"Greek letter empties its field",
                  "<r><Result>0</Result><version>1.0</version><version>2.\xCE\xB1</version></r>", 0, "", "", "",
                  ""},
        ReplyCase{"Latin-1 letter kept", "<r><upgradeName>Caf\xC3\xA9</upgradeName></r>", -3, "", "", "Caf\xE9",
                  ""},
        ReplyCase{"long values cut",
                  "<r><version>12345678901234567890</version><upgradeName>" + std::string(60, 'n') +
                      "</upgradeName><installer>" + std::string(400, 'i') + "</installer></r>",
                  -3, "123456789012345", std::string(255, 'i'), std::string(47, 'n'), ""},
        ReplyCase{"long element name", "<r><version>1.0</version><" + std::string(300, 'v') + ">2.0</" +
                  std::string(300, 'v') + "></r>", -3, "1.0", "", "", ""},
        ReplyCase{"empty element text", "<r><Result>0</Result><version></version></r>", 0, "", "", "", ""},
        ReplyCase{"document type declaration",
                  "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY v \"6.0\">]><r><Result>0</Result>"
                  "<version>&v;</version></r>",
                  -3, "", "", "", ""},
        ReplyCase{"billion laughs", kBillionLaughs, -3, "", "", "", ""},
        ReplyCase{"not XML", "Service Unavailable", -3, "", "", "", ""},
        ReplyCase{"HTML error page", "<html><body><h1>502 Bad Gateway</h1></body></html>", -3, "", "", "", ""},
        ReplyCase{"mismatched end tag keeps the text before it",
                  "<r><Result>0</Result><version>2.0</version><installer>http://a</wrong></r>", 0, "2.0", "http://a",
                  "", ""},
        ReplyCase{"cut inside a tag", "<r><Result>2</Result><vers", 2, "", "", "", ""}));

TEST(ParseUpdateResponse, EmptyReplyLeavesFieldsAlone) {
  static CheckRecord record;
  record = CheckRecord{};
  copyBounded(record.newVersion, "1.5", sizeof record.newVersion);
  copyBounded(record.upgradeName, "Old", sizeof record.upgradeName);
  EXPECT_EQ(ParseUpdateResponse(&record), -3);
  EXPECT_STREQ(record.newVersion, "1.5");
  EXPECT_STREQ(record.upgradeName, "Old");
}

TEST(ParseUpdateResponse, AbsentElementsKeepTheirFields) {
  static CheckRecord record;
  record = CheckRecord{};
  copyBounded(record.installerUrl, "http://kept/", sizeof record.installerUrl);
  EXPECT_EQ(parse(record, "<r><Result>0</Result><version>2.0</version></r>"), 0);
  EXPECT_STREQ(record.newVersion, "2.0");
  EXPECT_STREQ(record.installerUrl, "http://kept/");
}

TEST(ParseUpdateResponse, WritesOnlyTheReplyFields) {
  static CheckRecord record;
  static CheckRecord before;
  std::memset(&record, 'z', sizeof record);
  copyBounded(record.responseText, "<r><Result>0</Result><upgradePage>http://p/</upgradePage></r>",
              sizeof record.responseText);
  record.upgradePageUrl[0] = '\0';
  before = record;
  EXPECT_EQ(ParseUpdateResponse(&record), 0);
  EXPECT_STREQ(record.upgradePageUrl, "http://p/");
  std::memcpy(before.upgradePageUrl, record.upgradePageUrl, sizeof before.upgradePageUrl);
  EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

// A UTF-16 reply has a zero byte right after its first character, so the text ends there.
TEST(ParseUpdateResponse, Utf16ReplyIsUnreadable) {
  static CheckRecord record;
  record = CheckRecord{};
  const char16_t document[] = u"\xFEFF<r><Result>0</Result><version>2.0</version></r>";
  std::memcpy(record.responseText, document, sizeof document);
  EXPECT_EQ(ParseUpdateResponse(&record), -3);
  EXPECT_STREQ(record.newVersion, "");
}

// Only the first 2047 bytes of a longer reply arrive; what comes before the cut still counts.
TEST(ParseUpdateResponse, LongReplyCutAt2047KeepsWhatWasRead) {
  static CheckRecord record;
  record = CheckRecord{};
  std::string document = "<reply><Result>0</Result><version>2.1.0</version><notes>";
  while (document.size() < 2100) document += "Fixes and improvements. ";
  document += "</notes><installer>http://late/</installer><upgradeName>Late</upgradeName>";
  while (document.size() < 3000) document += ' ';
  document += "</reply>";
  ASSERT_GE(document.size(), 3000u);
  std::memcpy(record.responseText, document.data(), 2047);
  record.responseText[2047] = '\0';
  EXPECT_EQ(ParseUpdateResponse(&record), 0);
  EXPECT_STREQ(record.newVersion, "2.1.0");
  EXPECT_STREQ(record.installerUrl, "");
  EXPECT_STREQ(record.upgradeName, "");
}

// A reply cut off inside a text node must still end, keeping the outcome read before the cut;
// the cut-off text itself may be stored or not, but never anything else.
TEST(ParseUpdateResponse, CutInsideTextEnds) {
  const struct {
    const char* document;
    UpdateStatus outcome;
    const char* cutText;
  } cases[] = {
      {"<r><Result>0</Result><version>2.1", 0, "2.1"},
      {"<r><Result>0</Result><version>2.1.0</version><version>3.", 0, "3."},
      {"<r><Result>1</Result><version>text", 1, "text"},
      {"<r><Result>2</Result><version>A &amp", 2, "A &"},
  };
  for (const auto& c : cases) {
    static CheckRecord record;
    record = CheckRecord{};
    EXPECT_EQ(parse(record, c.document), c.outcome) << c.document;
    const std::string stored = record.newVersion;
    EXPECT_TRUE(stored.empty() || stored == "2.1.0" || std::string(c.cutText).starts_with(stored))
        << c.document << " stored " << stored;
  }
}

}  // namespace
