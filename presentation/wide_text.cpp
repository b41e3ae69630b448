#include "presentation/wide_text.h"

WideText widenLatin1(const char* text) {
  WideText wide;
  std::size_t n = 0;
  for (; n + 1 < kWideTextWidth && text[n] != '\0'; ++n) {
    wide.text[n] = static_cast<wchar_t>(static_cast<unsigned char>(text[n]));
  }
  wide.text[n] = L'\0';
  return wide;
}
