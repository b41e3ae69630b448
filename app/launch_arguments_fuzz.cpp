// Fuzzes the launch argument parser with arbitrary bytes.
#include <cstdint>
#include <cstring>

#include "app/check_record.h"
#include "app/launch_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  wchar_t wide[256];
  size_t n = size / 2 < 255 ? size / 2 : 255;
  for (size_t i = 0; i < n; ++i) wide[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
  wide[n] = L'\0';
  char text[kArgumentBufferSize];
  convertArgument(wide, text);
  CheckRecord record{};
  parseLaunchArguments(record, text);
  // Every field stays terminated within its width.
  if (memchr(record.productName, 0, sizeof record.productName) == nullptr) __builtin_trap();
  if (memchr(record.softwareLabel, 0, sizeof record.softwareLabel) == nullptr) __builtin_trap();
  return 0;
}
