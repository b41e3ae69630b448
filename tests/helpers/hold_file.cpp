// hold_file PATH [LOCK]: holds PATH open the way a virus scanner does (others may read and write
// it, not replace it) and, when named, the session lock LOCK the way another checker's save
// does. Prints "held" once it has both; lets go of the lock at the first line of its input and
// of the file when its input ends.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  HANDLE file = argc < 2 || argc > 3 ? INVALID_HANDLE_VALUE
                                     : CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  HANDLE lock = argc == 3 ? CreateMutexW(nullptr, FALSE, argv[2]) : nullptr;
  if (argc == 3 && (lock == nullptr || WaitForSingleObject(lock, 10000) != WAIT_OBJECT_0)) return 1;
  std::puts("held");
  std::fflush(stdout);
  int c = 0;
  while ((c = std::getchar()) != EOF && c != '\n') {
  }
  if (lock != nullptr) ReleaseMutex(lock);
  while (c != EOF) c = std::getchar();
  return CloseHandle(file) ? 0 : 1;
}
