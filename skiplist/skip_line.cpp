#include "skiplist/skip_line.h"

#include <cstring>

namespace {

constexpr std::size_t kFieldWidth = sizeof(SkipEntry::key);

// Copies at most 47 bytes of a field, stopping early at a NUL inside the line.
void copyField(char* dst, const char* src, std::size_t length) {
  std::size_t n = 0;
  while (n < length && n + 1 < kFieldWidth && src[n] != '\0') {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = '\0';
}

}  // namespace

void splitListLine(const char* line, int32_t length, SkipEntry& entry) {
  entry.key[0] = '\0';
  entry.value[0] = '\0';
  if (length <= 0) return;
  const char* equals = static_cast<const char*>(std::memchr(line, '=', static_cast<std::size_t>(length)));
  if (equals == nullptr) return;
  std::size_t keyLength = static_cast<std::size_t>(equals - line);
  copyField(entry.key, line, keyLength);
  copyField(entry.value, equals + 1, static_cast<std::size_t>(length) - keyLength - 1);
}

int32_t formatListLine(const SkipEntry& entry, char* out) {
  std::size_t keyLength = strnlen(entry.key, kFieldWidth - 1);
  std::size_t valueLength = strnlen(entry.value, kFieldWidth - 1);
  // A line feed inside a field would split the entry, or end the list at an empty line.
  if (std::memchr(entry.key, '\n', keyLength) != nullptr) return -1;
  if (std::memchr(entry.value, '\n', valueLength) != nullptr) return -1;
  std::size_t n = 0;
  std::memcpy(out + n, entry.key, keyLength);
  n += keyLength;
  out[n++] = '=';
  std::memcpy(out + n, entry.value, valueLength);
  n += valueLength;
  out[n++] = '\r';
  out[n++] = '\n';
  out[n] = '\0';
  return static_cast<int32_t>(n);
}
