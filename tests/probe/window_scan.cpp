#include "window_scan.h"

#include <tlhelp32.h>

#include <cstdio>
#include <map>

#include "json_text.h"

namespace {

const UINT kTextTimeoutMs = 500;

std::map<DWORD, std::wstring> processNames() {
  std::map<DWORD, std::wstring> names;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    names[entry.th32ProcessID] = entry.szExeFile;
  }
  CloseHandle(snapshot);
  return names;
}

bool anyName(const std::wstring& name) { return name.empty() || name == L"*"; }

// The image name may come with a path; only the file name counts.
bool sameExe(const std::wstring& image, const std::wstring& wanted) {
  const size_t slash = image.find_last_of(L"\\/");
  const std::wstring base = slash == std::wstring::npos ? image : image.substr(slash + 1);
  return lstrcmpiW(base.c_str(), wanted.c_str()) == 0;
}

std::wstring classOf(HWND hwnd) {
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  return name;
}

// Asks the window itself (so controls of another process answer with their real text), but
// never waits long on a busy thread.
std::wstring textOf(HWND hwnd) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                          SMTO_ABORTIFHUNG | SMTO_BLOCK, kTextTimeoutMs, &copied)) {
    return std::wstring(buffer, copied < 4096 ? copied : 4095);
  }
  GetWindowTextW(hwnd, buffer, 4096);
  return buffer;
}

BOOL CALLBACK collectChild(HWND child, LPARAM param) {
  auto* controls = reinterpret_cast<std::vector<ControlInfo>*>(param);
  ControlInfo control;
  control.hwnd = child;
  control.id = GetDlgCtrlID(child);
  control.className = classOf(child);
  control.text = textOf(child);
  control.visible = IsWindowVisible(child) != FALSE;
  control.enabled = IsWindowEnabled(child) != FALSE;
  controls->push_back(control);
  return TRUE;
}

BOOL CALLBACK collectTopLevel(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<WindowInfo> scanWindows(const WindowFilter& filter) {
  std::vector<HWND> handles;
  if (filter.only != nullptr) {
    if (IsWindow(filter.only)) handles.push_back(filter.only);
  } else {
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&handles));
  }
  const std::map<DWORD, std::wstring> names = processNames();
  std::vector<WindowInfo> found;
  for (HWND hwnd : handles) {
    WindowInfo window;
    window.hwnd = hwnd;
    window.processId = 0;
    GetWindowThreadProcessId(hwnd, &window.processId);
    const auto name = names.find(window.processId);
    window.exeName = name == names.end() ? L"" : name->second;
    if (!anyName(filter.exeName) && !sameExe(window.exeName, filter.exeName)) continue;
    window.visible = IsWindowVisible(hwnd) != FALSE;
    window.owner = GetWindow(hwnd, GW_OWNER);
    if (filter.visibleOnly && !window.visible) continue;
    window.className = classOf(hwnd);
    if (!filter.className.empty() && window.className != filter.className) continue;
    window.title = textOf(hwnd);
    if (!filter.title.empty() && window.title != filter.title) continue;
    GetWindowRect(hwnd, &window.rect);
    EnumChildWindows(hwnd, collectChild, reinterpret_cast<LPARAM>(&window.controls));
    found.push_back(window);
  }
  return found;
}

bool processRunning(const std::wstring& exeName) {
  if (anyName(exeName)) return false;
  for (const auto& entry : processNames()) {
    if (sameExe(entry.second, exeName)) return true;
  }
  return false;
}

bool isMessageBox(const WindowInfo& window) {
  if (window.className != L"#32770") return false;
  for (const ControlInfo& control : window.controls) {
    if (control.id == 0xFFFF && lstrcmpiW(control.className.c_str(), L"Static") == 0) return true;
  }
  return false;
}

const ControlInfo* findControl(const WindowInfo& window, int id) {
  for (const ControlInfo& control : window.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::string windowJson(const WindowInfo& window) {
  char number[256];
  snprintf(number, sizeof number,
           "{\"hwnd\": %llu, \"pid\": %lu, \"visible\": %s, \"owner\": %llu, \"rect\": [%ld, %ld, %ld, %ld], ",
           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window.hwnd)),
           static_cast<unsigned long>(window.processId), window.visible ? "true" : "false",
           static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window.owner)),
           window.rect.left, window.rect.top, window.rect.right, window.rect.bottom);
  std::string out = number;
  out += "\"exe\": " + jsonString(window.exeName) + ", \"title\": " + jsonString(window.title) +
         ", \"class\": " + jsonString(window.className) + ", \"messageBox\": " +
         (isMessageBox(window) ? "true" : "false") + ", \"controls\": [";
  for (size_t i = 0; i < window.controls.size(); ++i) {
    const ControlInfo& control = window.controls[i];
    snprintf(number, sizeof number, "%s{\"hwnd\": %llu, \"id\": %d, \"visible\": %s, \"enabled\": %s, ",
             i ? ", " : "", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(control.hwnd)),
             control.id, control.visible ? "true" : "false", control.enabled ? "true" : "false");
    out += number;
    out += "\"class\": " + jsonString(control.className) + ", \"text\": " + jsonString(control.text) + "}";
  }
  return out + "]}";
}
