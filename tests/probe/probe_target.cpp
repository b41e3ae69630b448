// probe_target [SHOW_AFTER_MS]: a stand-in dialog for testing the UI probe and the harness. It
// runs the checker's kind of message loop (accelerators, no dialog keyboard handling) and
// writes one line to stdout for everything that reaches it: "command ID CODE", "accelerator"
// (a key the accelerator table took), "key MESSAGE VK CONTROL_ID",
// "char MESSAGE CODE ALT_BIT CONTROL_ID", "box ANSWER" and "close". It starts hidden, shows
// itself after SHOW_AFTER_MS (default 0) milliseconds and ends with exit code 0 when closed.
#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const WORD kDownload = 1000;  // shows a message box
const WORD kHidden = 1001;    // never visible
const WORD kOpenPage = 1002;  // asks the shell to open a web address
const WORD kHeadline = 1003;
const WORD kAbout = 104;
const UINT_PTR kShowTimer = 1;

void say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stdout, format, args);
  va_end(args);
  fputc('\n', stdout);
  fflush(stdout);
}

void alignTo(std::vector<WORD>& t, size_t bytes) {
  while ((t.size() * sizeof(WORD)) % bytes) t.push_back(0);
}

void addText(std::vector<WORD>& t, const wchar_t* text) {
  for (; *text; ++text) t.push_back(static_cast<WORD>(*text));
  t.push_back(0);
}

void addDword(std::vector<WORD>& t, DWORD value) {
  t.push_back(LOWORD(value));
  t.push_back(HIWORD(value));
}

// One DLGITEMTEMPLATE: style, position, id, predefined class atom, text.
void addItem(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id,
             WORD classAtom, const wchar_t* text) {
  alignTo(t, 4);
  addDword(t, style | WS_CHILD);
  addDword(t, 0);
  t.push_back(static_cast<WORD>(x));
  t.push_back(static_cast<WORD>(y));
  t.push_back(static_cast<WORD>(cx));
  t.push_back(static_cast<WORD>(cy));
  t.push_back(id);
  t.push_back(0xFFFF);
  t.push_back(classAtom);
  addText(t, text);
  t.push_back(0);  // no creation data
}

std::vector<WORD> dialogTemplate() {
  std::vector<WORD> t;
  addDword(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
  addDword(t, 0);
  t.push_back(5);  // controls
  t.push_back(0);
  t.push_back(0);
  t.push_back(220);
  t.push_back(90);
  t.push_back(0);  // no menu
  t.push_back(0);  // default class
  addText(t, L"Probe Target");
  t.push_back(8);
  addText(t, L"MS Shell Dlg");
  const WORD button = 0x0080, stat = 0x0082;
  addItem(t, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 7, 30, 100, 14, kDownload, button, L"Download");
  addItem(t, WS_TABSTOP | BS_PUSHBUTTON, 113, 30, 100, 14, kHidden, button, L"Hidden");
  addItem(t, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 7, 50, 100, 14, kOpenPage, button, L"Open page");
  addItem(t, WS_VISIBLE | SS_LEFT, 7, 7, 200, 8, kHeadline, stat, L"Caf\u00e9 headline");
  addItem(t, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 113, 70, 100, 14, IDCANCEL, button, L"Close");
  return t;
}

INT_PTR CALLBACK targetProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_TIMER:
      KillTimer(dialog, kShowTimer);
      ShowWindow(dialog, SW_SHOW);
      return TRUE;
    case WM_COMMAND: {
      const WORD id = LOWORD(wParam), code = HIWORD(wParam);
      say("command %u %u", id, code);
      if (code != BN_CLICKED) return FALSE;
      if (id == kDownload) {
        const int answer = MessageBoxW(nullptr, L"Box text", L"Box caption", MB_OK);
        say("box %d", answer);
      } else if (id == kOpenPage) {
        ShellExecuteA(nullptr, "open", "https://www.corvane.com/probe?x=1&y=2", nullptr, nullptr, SW_SHOWNORMAL);
      } else if (id == IDCANCEL) {
        SendMessageW(dialog, WM_CLOSE, 0, 0);
      }
      return TRUE;
    }
    case WM_CLOSE:
      say("close");
      DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void reportKey(const MSG& msg) {
  const int control = GetDlgCtrlID(msg.hwnd);
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      say("key %u %u %d", msg.message, static_cast<unsigned>(msg.wParam), control);
      break;
    case WM_CHAR:
    case WM_SYSCHAR:
      say("char %u %u %u %d", msg.message, static_cast<unsigned>(msg.wParam),
          static_cast<unsigned>((msg.lParam >> 29) & 1), control);
      break;
    default:
      break;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
  const long showAfter = wcstol(commandLine, nullptr, 10);
  fprintf(stderr, "probe_target started\n");
  fflush(stderr);
  std::vector<WORD> layout = dialogTemplate();
  HWND dialog = CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()),
                                           GetDesktopWindow(), targetProc, 0);
  if (dialog == nullptr) return 1;
  SetTimer(dialog, kShowTimer, static_cast<UINT>(showAfter > 0 ? showAfter : 1), nullptr);
  ACCEL keys[2] = {{FALT, '?', kAbout}, {FALT, '/', kAbout}};
  HACCEL accelerators = CreateAcceleratorTableW(keys, 2);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0)) {
    reportKey(msg);
    if (TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
      say("accelerator");
    } else {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  DestroyAcceleratorTable(accelerators);
  return static_cast<int>(msg.wParam);
}
