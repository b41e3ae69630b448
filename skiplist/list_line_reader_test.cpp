#include "skiplist/list_line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skiplist/list_test_folder.h"

namespace {

// Every line the reader gives for a file, each as "<result>:<text>", up to the first non-line.
std::vector<std::string> readAll(const std::string& bytes) {
  ListTestFolder folder;
  std::string path = folder.roaming + "/lines.txt";
  writeBytes(path, bytes);
  ListFile file = 0;
  EXPECT_EQ(openListFile(path.c_str(), &file), kListFileOk);
  ListLineReader reader;
  startListLines(reader, file);
  std::vector<std::string> lines;
  for (;;) {
    char line[kLineBufferWidth];
    int32_t length = -1;
    int32_t result = readListLine(reader, line, &length);
    if (result != kLineRead) {
      lines.push_back(std::to_string(result));
      break;
    }
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(line).size());
    lines.push_back(std::string(line, static_cast<std::size_t>(length)));
  }
  closeListFile(file);
  return lines;
}

const std::string kEnd = std::to_string(kLineEndOfFile);
const std::string kLong = std::to_string(kLineTooLong);

struct ReaderCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

class ReaderTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderTest, SplitsLines) { EXPECT_EQ(readAll(GetParam().bytes), GetParam().lines); }

const std::string s254(254, 's');
const std::string s255(255, 's');
const std::string s256(256, 's');
const std::string s257(257, 's');

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderTest,
    ::testing::Values(ReaderCase{"Empty", "", {kEnd}},
                      ReaderCase{"CrLfAndLf", "a\r\nb\n", {"a", "b", kEnd}},
                      ReaderCase{"NoLineEnd", "last", {"last", kEnd}},
                      ReaderCase{"EmptyLines", "\n\nx", {"", "", "x", kEnd}},
                      ReaderCase{"CrInside", "a\rb\n", {"a\rb", kEnd}},  // a CR elsewhere stays
                      ReaderCase{"OnlyCrBeforeLf", "a\r\r\n", {"a\r", kEnd}},  // only the one before LF goes
                      ReaderCase{"CrAtEnd", "a\r", {"a\r", kEnd}},  // no LF after it: kept
                      ReaderCase{"Line254", s254 + "\n1", {s254, "1", kEnd}},
                      ReaderCase{"Line254CrLf", s254 + "\r\n1", {s254, "1", kEnd}},
                      ReaderCase{"Line254Last", s254, {s254, kEnd}},
                      ReaderCase{"Line255", s255 + "\n1", {kLong}},
                      ReaderCase{"Line255CrLf", s255 + "\r\n1", {kLong}},
                      ReaderCase{"Line255Last", s255, {kLong}},
                      ReaderCase{"Line254WithTwoCrs", s254 + "\r\r\n", {kLong}},
                      // Plain lines just past the limit must be refused before the buffer's end.
                      ReaderCase{"Line256", s256 + "\n1", {kLong}},
                      ReaderCase{"Line257", s257 + "\n1", {kLong}},
                      ReaderCase{"Huge", std::string(100000, 's'), {kLong}}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(ListLineReaderTest, LinesSpanningBufferRefillsComeWhole) {
  std::string bytes;
  std::vector<std::string> expected;
  for (int i = 0; i < 500; ++i) {
    std::string line = std::to_string(i) + "=" + std::string(static_cast<std::size_t>(i % 97), 'v');
    bytes += line + (i % 2 ? "\r\n" : "\n");
    expected.push_back(line);
  }
  expected.push_back(kEnd);
  ASSERT_GT(bytes.size(), 3 * sizeof(ListLineReader::buffer));
  EXPECT_EQ(readAll(bytes), expected);
}

}  // namespace
