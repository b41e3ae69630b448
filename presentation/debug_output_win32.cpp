#include "presentation/debug_output_win32.h"

#include <windows.h>

#include "presentation/debug_lines.h"
#include "presentation/wide_text.h"

void writeDebugLine(const char* line) {
  wchar_t wide[kDebugLineWidth];
  widenLatin1Into(line, wide, kDebugLineWidth);
  OutputDebugStringW(wide);
}
