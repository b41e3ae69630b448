#include "app/launch_arguments.h"

#include <cstring>

#include "app/check_record.h"

void convertArgument(const wchar_t* wide, char* out) {
  std::size_t n = 0;
  for (; n + 1 < kArgumentBufferSize && wide[n] != L'\0'; ++n) {
    if (static_cast<unsigned long>(wide[n]) > 0xFF) {
      out[0] = '\0';
      return;
    }
    out[n] = static_cast<char>(static_cast<unsigned char>(wide[n]));
  }
  out[n] = '\0';
}

void encodeSpaces(CheckRecord& record, const char* field) {
  constexpr std::size_t width = sizeof record.productName;
  std::size_t j = 0;
  for (const char* p = field; *p != '\0'; ++p) {
    const bool space = *p == ' ';
    const std::size_t need = space ? 3 : 1;
    if (j + need > width - 1) break;  // cut at a whole character
    if (space) {
      std::memcpy(record.productName + j, "%20", 3);
    } else {
      record.productName[j] = *p;
    }
    j += need;
  }
  record.productName[j] = '\0';
}

void decodeSpaces(char* text) {
  const std::size_t n = std::strlen(text);
  std::size_t j = 0;
  for (std::size_t i = 0; i < n; ++j) {
    if (text[i] == '%' && i + 2 < n && text[i + 1] == '2' && text[i + 2] == '0') {
      text[j] = ' ';
      i += 3;
    } else {
      text[j] = text[i];
      i += 1;
    }
  }
  text[j] = '\0';
}

namespace {

// Copies the field [begin, end) into dst, cut to width - 1 bytes.
void copyField(char* dst, std::size_t width, const char* begin, const char* end) {
  std::size_t len = static_cast<std::size_t>(end - begin);
  if (len > width - 1) len = width - 1;
  std::memcpy(dst, begin, len);
  dst[len] = '\0';
}

}  // namespace

bool parseLaunchArguments(CheckRecord& record, const char* text) {
  const char* start = text;
  const char* bar = std::strchr(start, '|');
  if (bar == nullptr) return false;
  char field1[32];
  copyField(field1, sizeof field1, start, bar);
  encodeSpaces(record, field1);

  start = bar + 1;
  if ((bar = std::strchr(start, '|')) == nullptr) return false;
  copyField(record.platform, sizeof record.platform, start, bar);

  start = bar + 1;
  if ((bar = std::strchr(start, '|')) == nullptr) return false;
  copyField(record.productType, sizeof record.productType, start, bar);

  start = bar + 1;
  if ((bar = std::strchr(start, '|')) == nullptr) return false;
  copyField(record.currentVersion, sizeof record.currentVersion, start, bar);
  decodeSpaces(record.currentVersion);

  start = bar + 1;
  if ((bar = std::strchr(start, '|')) == nullptr) return false;
  copyField(record.displayName, sizeof record.displayName, start, bar);
  decodeSpaces(record.displayName);

  start = bar + 1;
  bar = std::strchr(start, '|');
  if (bar == nullptr) {
    copyField(record.softwareLabel, sizeof record.softwareLabel, start, start + std::strlen(start));
    decodeSpaces(record.softwareLabel);
    record.userInitiated = false;
  } else {
    copyField(record.softwareLabel, sizeof record.softwareLabel, start, bar);
    decodeSpaces(record.softwareLabel);
    if (bar[1] == 'Y') record.userInitiated = true;
  }
  return true;
}
