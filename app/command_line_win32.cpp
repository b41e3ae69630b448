#include "app/command_line_win32.h"

#include <windows.h>
#include <shellapi.h>

#include "app/launch_arguments.h"

bool obtainLaunchArgument(char* text) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return false;  // cannot be split: treat as no argument
  const bool present = count > 1;
  if (present) convertArgument(arguments[1], text);
  LocalFree(arguments);
  return present;
}
