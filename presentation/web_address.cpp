#include "presentation/web_address.h"

#include <cstring>

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool beginsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix != '\0'; ++text, ++prefix) {
    if (lowerAscii(*text) != *prefix) return false;  // also stops at the end of text
  }
  return true;
}

// The shell puts the address into the browser's command line, where a quote or a blank could end
// it: control characters and the ASCII characters no URI may hold are refused. Bytes from 0x80 up
// are left alone; they reach the shell as the letters they stand for.
bool holdsForbiddenCharacter(const char* text) {
  for (; *text != '\0'; ++text) {
    unsigned char c = static_cast<unsigned char>(*text);
    if (c <= 0x20 || c == 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) return true;
  }
  return false;
}

}  // namespace

bool isWebAddress(const char* text) {
  if (text == nullptr) return false;
  if (!beginsWithIgnoringCase(text, "https://") && !beginsWithIgnoringCase(text, "http://")) {
    return false;
  }
  return !holdsForbiddenCharacter(text);
}
