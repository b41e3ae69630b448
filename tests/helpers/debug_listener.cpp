// debug_listener [--stuck] STOP-FILE: reads the debug output stream as a debug-output viewer does
// (the DBWIN_BUFFER section and its two events) and copies each string, as written, to standard
// output. Prints "ready" once it listens; ends when STOP-FILE exists. With --stuck it is a
// viewer that never reads: each write waits for it the writer's full 10 s.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  const bool stuck = argc == 3 && lstrcmpW(argv[1], L"--stuck") == 0;
  if (argc != 2 && !stuck) return 2;
  const wchar_t* stopFile = argv[argc - 1];
  HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, L"DBWIN_BUFFER");
  HANDLE bufferReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  HANDLE dataReady = CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  // The writer's process id, then its NUL-terminated text.
  const char* buffer = section ? static_cast<const char*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0)) : nullptr;
  if (buffer == nullptr || bufferReady == nullptr || dataReady == nullptr) return 1;
  printf("ready\n");
  fflush(stdout);
  if (!stuck) SetEvent(bufferReady);
  // A string written before the stop file appeared has signalled already, so it is read first.
  for (;;) {
    if (WaitForSingleObject(dataReady, 100) == WAIT_OBJECT_0) {
      fputs(buffer + sizeof(DWORD), stdout);
      fflush(stdout);
      SetEvent(bufferReady);
    } else if (GetFileAttributesW(stopFile) != INVALID_FILE_ATTRIBUTES) {
      return 0;
    }
  }
}
