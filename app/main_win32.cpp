// Entry point: parse the launch argument, then run the check in the main dialog.
#include <windows.h>

#include "app/check_record.h"
#include "app/command_line_win32.h"
#include "app/launch_arguments.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  char text[kArgumentBufferSize] = {};
  if (!obtainLaunchArgument(text) || !parseLaunchArguments(checkRecord, text)) return 0;
  return 0;
}
