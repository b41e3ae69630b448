// Redirect targets come from the network: any bytes, any length, never read past the length.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "query/notification_rules.h"

namespace {

bool startsWithFolded(const uint8_t* data, std::size_t size, const char* prefix) {
  std::size_t n = std::strlen(prefix);
  if (size < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    uint8_t c = data[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<uint8_t>(c - 'A' + 'a');
    if (c != static_cast<uint8_t>(prefix[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // Exactly size bytes, no terminator: a read past them is caught by the address sanitizer.
  char* target = new char[size];
  if (size > 0) std::memcpy(target, data, size);
  bool secure = isSecureRedirectTarget(target, size);
  delete[] target;

  if (secure && startsWithFolded(data, size, "http:")) __builtin_trap();
  if (!secure && startsWithFolded(data, size, "https://")) __builtin_trap();
  if (secure && size == 0) __builtin_trap();

  uint32_t notification = 0;
  if (size >= 4) std::memcpy(&notification, data, 4);
  const char* line = statusLine(notification);
  if (line != nullptr && std::strncmp(line, "Status: ", 8) != 0) __builtin_trap();
  return 0;
}
