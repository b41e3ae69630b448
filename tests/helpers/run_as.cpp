// run_as PROGRAM [ARGUMENT...]: starts PROGRAM through the shell's "runas" verb, as a user who
// confirms the elevation prompt would, waits for it and ends with its exit code (4: not started).
// Each argument is passed on in quotes, so none may hold a quote.
#include <windows.h>
#include <shellapi.h>

#include <string>

int wmain(int count, wchar_t** args) {
  if (count < 2) return 2;
  std::wstring parameters;
  for (int i = 2; i < count; ++i) parameters += (i > 2 ? L" \"" : L"\"") + std::wstring(args[i]) + L"\"";
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
