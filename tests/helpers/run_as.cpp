// run_as PROGRAM [ARGUMENT...]: starts PROGRAM through the shell's "runas" verb, as a user who
// confirms the elevation prompt would, waits for it and ends with its exit code (4: not started).
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

// One argument as the runtime's parser reads it back: quoted, with its quotes and the
// backslashes before them escaped.
void addQuoted(std::wstring& line, const wchar_t* argument) {
  if (!line.empty()) line += L' ';
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t* c = argument;; ++c) {
    if (*c == L'\\') {
      ++backslashes;
      continue;
    }
    bool end = *c == L'\0';
    line.append(end || *c == L'"' ? backslashes * 2 + (end ? 0 : 1) : backslashes, L'\\');
    backslashes = 0;
    if (end) break;
    line += *c;
  }
  line += L'"';
}

}  // namespace

int wmain(int count, wchar_t** args) {
  if (count < 2) return 2;
  std::wstring parameters;
  for (int i = 2; i < count; ++i) addQuoted(parameters, args[i]);
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  execute.lpVerb = L"runas";
  execute.lpFile = args[1];
  execute.lpParameters = parameters.c_str();
  execute.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&execute) || execute.hProcess == nullptr) return 4;
  WaitForSingleObject(execute.hProcess, INFINITE);
  DWORD code = 4;
  GetExitCodeProcess(execute.hProcess, &code);
  CloseHandle(execute.hProcess);
  return static_cast<int>(code);
}
