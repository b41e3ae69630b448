#include "skiplist/wide_path_win32.h"

#include <windows.h>

bool widenPath(const char* path, wchar_t* out) {
  int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, out, kWidePathWidth);
  if (units <= 0) {
    out[0] = L'\0';
    return false;
  }
  return true;
}
