#include "skiplist/skip_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string k47(47, 'k');
const std::string v47(47, 'v');

struct SplitCase {
  std::string line;
  std::string key;
  std::string value;
};

class SplitTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAtTheFirstEquals) {
  const SplitCase& c = GetParam();
  SkipEntry entry;
  std::memset(&entry, 'Z', sizeof entry);  // nothing of an earlier entry may survive
  splitListLine(c.line.data(), static_cast<int32_t>(c.line.size()), entry);
  EXPECT_EQ(std::string(entry.key), c.key);
  EXPECT_EQ(std::string(entry.value), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitTest,
    ::testing::Values(SplitCase{"Echo Box|Studio=2.1.0", "Echo Box|Studio", "2.1.0"},
                      SplitCase{"A|B=x=y", "A|B", "x=y"},
                      SplitCase{"=", "", ""},
                      SplitCase{"junk", "", ""},
                      SplitCase{"=value", "", "value"},
                      SplitCase{"key=", "key", ""},
                      SplitCase{" a = b ", " a ", " b "},  // blanks are not trimmed
                      SplitCase{k47 + "=" + v47, k47, v47},
                      SplitCase{k47 + "K=" + v47 + "V", k47, v47},  // hand-edited: cut to 47
                      SplitCase{std::string(200, 'k') + "=1", k47, "1"},
                      SplitCase{"k=" + std::string(200, 'v'), "k", v47},
                      SplitCase{std::string("a\0b=c", 5), "a", "c"},  // text ends at a NUL
                      SplitCase{std::string("\0=v", 3), "", "v"}));

struct FormatCase {
  std::string key;
  std::string value;
  std::string line;  // empty: not writable
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, WritesKeyEqualsValueCrLf) {
  const FormatCase& c = GetParam();
  SkipEntry entry{};
  std::memcpy(entry.key, c.key.data(), c.key.size());
  std::memcpy(entry.value, c.value.data(), c.value.size());
  char out[kMaxWrittenLine + 1];
  int32_t length = formatListLine(entry, out);
  if (c.line.empty()) {
    EXPECT_EQ(length, -1);
  } else {
    ASSERT_EQ(length, static_cast<int32_t>(c.line.size()));
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(length)), c.line);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, FormatTest,
    ::testing::Values(FormatCase{"Echo Box|Studio", "2.1.0", "Echo Box|Studio=2.1.0\r\n"},
                      FormatCase{"", "", "=\r\n"},
                      FormatCase{k47, v47, k47 + "=" + v47 + "\r\n"},
                      FormatCase{"a\rb", "c\r", "a\rb=c\r\r\n"},
                      FormatCase{"\n|Studio", "2.0", ""},
                      FormatCase{"Echo|Studio", "2.0\n", ""}));

}  // namespace
