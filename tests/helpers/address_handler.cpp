// address_handler LOG ADDRESS: registered as a web-address handler for a test, in place of a
// browser. Appends "ELEVATED ADDRESS" to LOG, ELEVATED being its own token's TokenIsElevated
// (0 or 1, "?" if unreadable): the rights a browser started the same way would have had.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count != 3) return 2;
  const char* elevated = "?";
  HANDLE token = nullptr;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
    elevated = elevation.TokenIsElevated != 0 ? "1" : "0";
  }
  FILE* log = _wfopen(args[1], L"ab");
  if (log == nullptr) return 1;
  fprintf(log, "%s %ls\n", elevated, args[2]);
  fclose(log);
  return 0;
}
