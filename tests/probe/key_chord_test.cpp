#include "tests/probe/key_chord.h"

#include <gtest/gtest.h>

namespace {

struct KeyCase {
  const char* text;
  KeyKind kind;
  bool alt;
  unsigned int code;
};

const KeyCase kCases[] = {
    {"esc", KeyKind::virtualKey, false, 0x1B},    {"ESC", KeyKind::virtualKey, false, 0x1B},
    {"tab", KeyKind::virtualKey, false, 0x09},    {"enter", KeyKind::virtualKey, false, 0x0D},
    {"alt+f4", KeyKind::virtualKey, true, 0x73},  {"Alt+Tab", KeyKind::virtualKey, true, 0x09},
    {"alt+?", KeyKind::character, true, '?'},     {"alt+/", KeyKind::character, true, '/'},
    {"x", KeyKind::character, false, 'x'},        {"+", KeyKind::character, false, '+'},
    {"close", KeyKind::closeWindow, false, 0},    {"CLOSE", KeyKind::closeWindow, false, 0},
    {"", KeyKind::invalid, false, 0},             {"alt+", KeyKind::invalid, false, 0},
    {"alt+xy", KeyKind::invalid, false, 0},       {"ctrl+x", KeyKind::invalid, false, 0},
    {"\xe9", KeyKind::invalid, false, 0},         {" ", KeyKind::invalid, false, 0},
};

TEST(KeyChord, ParsesEveryForm) {
  for (const KeyCase& c : kCases) {
    const KeyChord chord = parseKeyChord(c.text);
    EXPECT_EQ(chord.kind, c.kind) << c.text;
    if (chord.kind == KeyKind::invalid) continue;
    EXPECT_EQ(chord.alt, c.alt) << c.text;
    EXPECT_EQ(chord.code, c.code) << c.text;
  }
}

TEST(KeyChord, NullIsInvalid) { EXPECT_EQ(parseKeyChord(nullptr).kind, KeyKind::invalid); }

TEST(KeyChord, MessageParamCarriesContextAndTransitionBits) {
  EXPECT_EQ(keyMessageParam(0x35, true, false), 0x20350001ul);
  EXPECT_EQ(keyMessageParam(0x01, false, false), 0x00010001ul);
  EXPECT_EQ(keyMessageParam(0x01, false, true), 0xC0010001ul);
  EXPECT_EQ(keyMessageParam(0x1FF, true, true), 0xE0FF0001ul);
}

}  // namespace
