#include "key_chord.h"

#include <cctype>
#include <cstring>

namespace {

struct NamedKey {
  const char* name;
  unsigned int virtualKey;
};

// Virtual-key codes as the platform numbers them.
const NamedKey kNamedKeys[] = {
    {"esc", 0x1B},   {"escape", 0x1B}, {"tab", 0x09},   {"enter", 0x0D}, {"return", 0x0D},
    {"space", 0x20}, {"left", 0x25},   {"up", 0x26},    {"right", 0x27}, {"down", 0x28},
    {"f1", 0x70},    {"f4", 0x73},     {"f10", 0x79},   {"back", 0x08},  {"delete", 0x2E},
};

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

}  // namespace

KeyChord parseKeyChord(const char* text) {
  KeyChord chord = {KeyKind::invalid, false, 0};
  if (text == nullptr || *text == '\0') return chord;
  if (equalsIgnoringCase(text, "close")) {
    chord.kind = KeyKind::closeWindow;
    return chord;
  }
  static const char kAlt[] = "alt+";
  const size_t altLength = sizeof kAlt - 1;
  if (strlen(text) > altLength) {
    char prefix[sizeof kAlt] = {};
    memcpy(prefix, text, altLength);
    if (equalsIgnoringCase(prefix, kAlt)) {
      chord.alt = true;
      text += altLength;
    }
  }
  for (const NamedKey& key : kNamedKeys) {
    if (equalsIgnoringCase(text, key.name)) {
      chord.kind = KeyKind::virtualKey;
      chord.code = key.virtualKey;
      return chord;
    }
  }
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if (text[1] == '\0' && first > 0x20 && first < 0x7F) {
    chord.kind = KeyKind::character;
    chord.code = first;
    return chord;
  }
  chord.alt = false;
  return chord;
}

unsigned long keyMessageParam(unsigned int scanCode, bool alt, bool release) {
  unsigned long param = 1u | ((scanCode & 0xFFu) << 16);
  if (alt) param |= 1ul << 29;
  if (release) param |= (1ul << 30) | (1ul << 31);
  return param;
}
