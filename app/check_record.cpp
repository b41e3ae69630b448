#include "app/check_record.h"

#include <cstring>

CheckRecord checkRecord;
int32_t updateSkipIndex = -1;
int32_t upgradeSkipIndex = -1;

void copyBounded(char* dst, const char* src, std::size_t width) {
  if (width == 0) return;
  std::size_t n = 0;
  while (n + 1 < width && src[n] != '\0') {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = '\0';
}

void appendBounded(char* dst, const char* src, std::size_t width) {
  std::size_t used = strnlen(dst, width);
  if (used >= width) return;
  copyBounded(dst + used, src, width - used);
}
