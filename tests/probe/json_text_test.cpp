#include "tests/probe/json_text.h"

#include <gtest/gtest.h>

namespace {

TEST(JsonText, EscapesQuotesControlsAndNonAscii) {
  const struct {
    const wchar_t* text;
    const char* json;
  } cases[] = {
      {L"", "\"\""},
      {L"Update Available!", "\"Update Available!\""},
      {L"a\"b\\c", "\"a\\\"b\\\\c\""},
      {L"line\nnext\r\t", "\"line\\nnext\\r\\t\""},
      {L"Caf\u00e9", "\"Caf\\u00e9\""},
      {L"\u03a9\x01\x7f", "\"\\u03a9\\u0001\\u007f\""},
  };
  for (const auto& c : cases) EXPECT_EQ(jsonString(std::wstring(c.text)), c.json);
}

TEST(JsonText, SurrogatePairsStayPaired) {
  EXPECT_EQ(jsonString(std::wstring(L"\xd83d\xde00")), "\"\\ud83d\\ude00\"");
}

TEST(JsonText, NarrowTextBytesAboveAsciiAreEscapedByValue) {
  EXPECT_EQ(jsonString("Tone Lab|\xe9"), "\"Tone Lab|\\u00e9\"");
  EXPECT_EQ(jsonString("%20&="), "\"%20&=\"");
}

}  // namespace
