#include "query/reply_nodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/check_record.h"

namespace {

// One node as the reader delivers it: an element's local name or a text value.
struct Node {
  bool element;
  std::wstring text;
};

Node el(const std::wstring& name) { return Node{true, name}; }
Node tx(const std::wstring& value) { return Node{false, value}; }

struct SequenceCase {
  const char* label;
  std::vector<Node> nodes;
  UpdateStatus outcome;
  std::string newVersion;
  std::string installerUrl;
  std::string upgradeName;
  std::string upgradePageUrl;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.label; }

UpdateStatus feed(CheckRecord& record, const std::vector<Node>& nodes) {
  ReplyParse parse;
  beginReplyParse(parse);
  for (const Node& node : nodes) {
    const auto count = static_cast<uint32_t>(node.text.size());
    if (node.element) {
      feedElementName(parse, node.text.c_str(), count);
    } else {
      feedTextValue(parse, record, node.text.c_str(), count);
    }
  }
  return parse.outcome;
}

class SequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(SequenceTest, YieldsOutcomeAndFields) {
  const SequenceCase& c = GetParam();
  CheckRecord record{};
  EXPECT_EQ(feed(record, c.nodes), c.outcome);
  EXPECT_EQ(record.newVersion, c.newVersion);
  EXPECT_EQ(record.installerUrl, c.installerUrl);
  EXPECT_EQ(record.upgradeName, c.upgradeName);
  EXPECT_EQ(record.upgradePageUrl, c.upgradePageUrl);
}

const std::wstring kInstaller = L"https://downloads.example.test/tonelab/ToneLab-2.1.0-setup.exe";
const std::wstring kPage = L"https://www.example.test/products/tonelab-studio";

INSTANTIATE_TEST_SUITE_P(
    Replies, SequenceTest,
    ::testing::Values(
        SequenceCase{"example reply",
                     {el(L"reply"), el(L"Result"), tx(L"0"), el(L"version"), tx(L"2.1.0"), el(L"installer"),
                      tx(kInstaller), el(L"upgradeName"), tx(L"Tone Lab Studio"), el(L"upgradePage"), tx(kPage)},
                     0, "2.1.0", std::string(kInstaller.begin(), kInstaller.end()), "Tone Lab Studio",
                     std::string(kPage.begin(), kPage.end())},
        SequenceCase{"nothing at all", {}, -3, "", "", "", ""},
        SequenceCase{"only Result 2", {el(L"Result"), tx(L"2")}, 2, "", "", "", ""},
        SequenceCase{"Result 1", {el(L"Result"), tx(L"1")}, 1, "", "", "", ""},
        SequenceCase{"Result 3", {el(L"Result"), tx(L"3")}, -3, "", "", "", ""},
        SequenceCase{"Result 0 and a blank", {el(L"Result"), tx(L"0 ")}, -3, "", "", "", ""},
        SequenceCase{"Result blank and 0", {el(L"Result"), tx(L" 0")}, -3, "", "", "", ""},
        SequenceCase{"Result 00", {el(L"Result"), tx(L"00")}, -3, "", "", "", ""},
        SequenceCase{"Result 21", {el(L"Result"), tx(L"21")}, -3, "", "", "", ""},
        SequenceCase{"Result 1 then 10", {el(L"Result"), tx(L"1"), el(L"Result"), tx(L"10")}, 1, "", "", "", ""},
        SequenceCase{"Result empty", {el(L"Result"), tx(L"")}, -3, "", "", "", ""},
        SequenceCase{"Result 1 then 0", {el(L"Result"), tx(L"1"), el(L"Result"), tx(L"0")}, 0, "", "", "", ""},
        SequenceCase{"Result 0 then x", {el(L"Result"), tx(L"0"), el(L"Result"), tx(L"x")}, 0, "", "", "", ""},
        SequenceCase{"Result 2 then 3", {el(L"Result"), tx(L"2"), el(L"Result"), tx(L"3")}, 2, "", "", "", ""},
        SequenceCase{"Result text without a Result element", {tx(L"0"), el(L"r"), tx(L"1")}, -3, "", "", "", ""},
        SequenceCase{"lower-case result", {el(L"result"), tx(L"0")}, -3, "", "", "", ""},
        SequenceCase{"capital Version", {el(L"Version"), tx(L"2.0")}, -3, "", "", "", ""},
        SequenceCase{"name longer than version", {el(L"versions"), tx(L"2.0")}, -3, "", "", "", ""},
        SequenceCase{"name shorter than version", {el(L"versio"), tx(L"2.0")}, -3, "", "", "", ""},
        SequenceCase{"qualified name is not a local name", {el(L"v:version"), tx(L"2.0")}, -3, "", "", "", ""},
        SequenceCase{"last version text wins", {el(L"version"), tx(L"1.0"), el(L"version"), tx(L"2.0")}, -3,
                     "2.0", "", "", ""},
        SequenceCase{"two texts in one element", {el(L"version"), tx(L"1."), tx(L"5")}, -3, "5", "", "", ""},
        SequenceCase{"text after the end tag still counts", {el(L"upgradeName"), tx(L"A"), tx(L"tail")}, -3, "",
                     "", "tail", ""},
        SequenceCase{"an unknown element ends the current one",
                     {el(L"version"), tx(L"1.0"), el(L"note"), tx(L"9.9")}, -3, "1.0", "", "", ""},
        SequenceCase{"Result text does not leak into version", {el(L"Result"), tx(L"0"), tx(L"1.0")}, 0, "", "",
                     "", ""},
        SequenceCase{"empty value empties the field",
                     {el(L"installer"), tx(L"http://a"), el(L"installer"), tx(L"")}, -3, "", "", "", ""},
        SequenceCase{"version cut at 15", {el(L"version"), tx(L"12345678901234567890")}, -3, "123456789012345",
                     "", "", ""},
        SequenceCase{"version of exactly 15 kept whole", {el(L"version"), tx(L"1.2.3.4.5.6.7.8")}, -3,
                     "1.2.3.4.5.6.7.8", "", "", ""},
        SequenceCase{"upgradeName cut at 47", {el(L"upgradeName"), tx(std::wstring(60, L'n'))}, -3, "", "",
                     std::string(47, 'n'), ""},
        SequenceCase{"installer cut at 255", {el(L"installer"), tx(std::wstring(256, L'i'))}, -3, "",
                     std::string(255, 'i'), "", ""},
        SequenceCase{"upgradePage of 400 cut at 255", {el(L"upgradePage"), tx(std::wstring(400, L'p'))}, -3, "",
                     "", "", std::string(255, 'p')},
        SequenceCase{"Greek letter empties a filled field",
                     {el(L"version"), tx(L"2.0"), el(L"version"), tx(L"2.\u03B1")}, -3, "", "", "", ""},
        SequenceCase{"Greek letter beyond the value area still empties",
                     {el(L"installer"), tx(std::wstring(350, L'i') + L"\u03A9")}, -3, "", "", "", ""},
        SequenceCase{"Latin-1 letter kept as its byte", {el(L"upgradeName"), tx(L"Caf\u00E9")}, -3, "", "",
                     "Caf\xE9", ""},
        SequenceCase{"Greek letter in Result leaves the outcome", {el(L"Result"), tx(L"1"), el(L"Result"),
                     tx(L"\u03B1")}, 1, "", "", "", ""},
        SequenceCase{"Greek element name is none", {el(L"version\u03B1"), tx(L"2.0")}, -3, "", "", "", ""},
        SequenceCase{"48-character name is none", {el(std::wstring(48, L'v')), tx(L"0")}, -3, "", "", "", ""},
        SequenceCase{"long name ends the current element",
                     {el(L"version"), tx(L"1.0"), el(std::wstring(200, L'v')), tx(L"2.0")}, -3, "1.0", "", "", ""}));

// A name of 49 or more characters counts as none even when its converted text reads as a
// reply element (a NUL stops the conversion but not the count).
TEST(ReplyElementNamed, LongCountIsNone) {
  EXPECT_EQ(replyElementNamed("version", 48), ReplyElement::Version);
  EXPECT_EQ(replyElementNamed("version", 49), ReplyElement::None);
  EXPECT_EQ(replyElementNamed("Result", 1000), ReplyElement::None);
}

TEST(ReplyElementNamed, AllFiveNames) {
  const struct {
    const char* name;
    ReplyElement element;
  } cases[] = {{"Result", ReplyElement::Result},         {"version", ReplyElement::Version},
               {"installer", ReplyElement::Installer},   {"upgradeName", ReplyElement::UpgradeName},
               {"upgradePage", ReplyElement::UpgradePage}, {"", ReplyElement::None},
               {"upgradename", ReplyElement::None},      {"Installer", ReplyElement::None}};
  for (const auto& c : cases) {
    EXPECT_EQ(replyElementNamed(c.name, static_cast<uint32_t>(std::strlen(c.name))), c.element) << c.name;
  }
}

// The count, not the text, decides whether a value is empty.
TEST(OnReplyText, CountZeroEmptiesWhateverTheText) {
  CheckRecord record{};
  ReplyParse parse;
  beginReplyParse(parse);
  onReplyElement(parse, "version", 7);
  onReplyText(parse, record, "2.0", 3);
  ASSERT_STREQ(record.newVersion, "2.0");
  onReplyText(parse, record, "9.9", 0);
  EXPECT_STREQ(record.newVersion, "");
}

// Only the four reply fields are written, and absent elements leave their field as it was.
TEST(OnReplyText, TouchesOnlyTheReplyFieldsNamed) {
  CheckRecord record{};
  std::memset(&record, 'z', sizeof record);
  record.installerUrl[0] = '\0';
  CheckRecord before = record;
  const std::vector<Node> nodes = {el(L"Result"), tx(L"0"), el(L"installer"), tx(L"http://a/b")};
  EXPECT_EQ(feed(record, nodes), 0);
  EXPECT_STREQ(record.installerUrl, "http://a/b");
  std::memcpy(before.installerUrl, record.installerUrl, sizeof before.installerUrl);
  EXPECT_EQ(std::memcmp(&before, &record, sizeof record), 0);
}

struct ConversionCase {
  const char* label;
  std::wstring wide;
  uint32_t count;
  std::size_t width;
  std::string expected;
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.label; }

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, FollowsTheSingleByteRule) {
  const ConversionCase& c = GetParam();
  std::vector<char> out(c.width + 1, '#');
  convertReplyText(c.wide.c_str(), c.count, out.data(), c.width);
  EXPECT_EQ(std::string(out.data()), c.expected);
  EXPECT_EQ(out[c.width], '#') << "wrote past the area";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConversionTest,
    ::testing::Values(
        ConversionCase{"ASCII", L"2.1.0", 5, 16, "2.1.0"},
        ConversionCase{"count bounds", L"2.1.0", 3, 16, "2.1"},
        ConversionCase{"count zero", L"2.1.0", 0, 16, ""},
        ConversionCase{"NUL ends early", std::wstring(L"ab\0cd", 5), 5, 16, "ab"},
        ConversionCase{"area bounds", L"abcdefgh", 8, 4, "abc"},
        ConversionCase{"exactly fills the area", L"abc", 3, 4, "abc"},
        ConversionCase{"Latin-1 to bytes", L"\u00A9\u00FF\u0080", 3, 16, "\xA9\xFF\x80"},
        ConversionCase{"U+0100 empties", L"ab\u0100", 3, 16, ""},
        ConversionCase{"Greek empties", L"\u03B1", 1, 16, ""},
        ConversionCase{"Greek past the count is not read", L"ab\u03B1", 2, 16, "ab"},
        ConversionCase{"Greek past the area still empties", L"abcdef\u03B1", 7, 4, ""},
        ConversionCase{"width one", L"abc", 3, 1, ""}));

}  // namespace
