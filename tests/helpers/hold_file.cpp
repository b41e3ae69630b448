// hold_file PATH: holds PATH open the way a virus scanner does (others may read and write it,
// not replace it). Prints "held" once it has the file, and lets go when its input ends.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  HANDLE file = argc != 2 ? INVALID_HANDLE_VALUE
                          : CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::puts("held");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  return CloseHandle(file) ? 0 : 1;
}
