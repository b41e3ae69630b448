#include "json_text.h"

#include <cstdio>

namespace {

void appendEscaped(std::string& out, unsigned int unit) {
  switch (unit) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  if (unit >= 0x20 && unit < 0x7F) {
    out += static_cast<char>(unit);
    return;
  }
  char escaped[8];
  snprintf(escaped, sizeof escaped, "\\u%04x", unit & 0xFFFFu);
  out += escaped;
}

}  // namespace

// UTF-16 code units pass one by one, so surrogate pairs stay valid JSON escapes.
std::string jsonString(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t unit : text) appendEscaped(out, static_cast<unsigned int>(unit) & 0xFFFFu);
  return out + "\"";
}

std::string jsonString(const char* text) {
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) appendEscaped(out, *p);
  return out + "\"";
}
