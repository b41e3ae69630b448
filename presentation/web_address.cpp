#include "presentation/web_address.h"

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool beginsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (lowerAscii(*text) != *prefix) return false;  // also stops at the end of text
  }
  return true;
}

bool holdsControlCharacter(const char* text) {
  for (; *text != '\0'; ++text) {
    unsigned char c = static_cast<unsigned char>(*text);
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

bool isWebAddress(const char* text) {
  if (text == nullptr) return false;
  if (!beginsWithIgnoringCase(text, "https://") && !beginsWithIgnoringCase(text, "http://")) {
    return false;
  }
  return !holdsControlCharacter(text);
}
