// A wininet.dll to plant beside the checker: it says so on the standard error stream if loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  DWORD written = 0;
  (void)instance, (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) WriteFile(GetStdHandle(STD_ERROR_HANDLE), "planted\n", 8, &written, NULL);
  return TRUE;
}
