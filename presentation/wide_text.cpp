#include "presentation/wide_text.h"

void widenLatin1Into(const char* text, wchar_t* out, std::size_t width) {
  if (width == 0) return;
  std::size_t n = 0;
  for (; n + 1 < width && text[n] != '\0'; ++n) out[n] = static_cast<wchar_t>(static_cast<unsigned char>(text[n]));
  out[n] = L'\0';
}

WideText widenLatin1(const char* text) {
  WideText wide = {};
  widenLatin1Into(text, wide.text, kWideTextWidth);
  return wide;
}
