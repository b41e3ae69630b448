// ui_probe: looks at and drives the windows of the program under test from outside, the way a
// person at the screen would, without ever blocking on the target.
//
//   ui_probe [options] list                 JSON array: every matching top-level window and
//                                           its controls (a message box's text is a control)
//   ui_probe [options] press ID             press the visible, enabled button ID
//   ui_probe [options] dismiss [ID]         press OK (or the given button) of a message box
//   ui_probe [options] key CHORD             post a key to the focused control: esc, tab, enter,
//                                           alt+?, alt+/, alt+f4, x ...; "close" is the title
//                                           bar's close box (WM_SYSCOMMAND SC_CLOSE)
//   ui_probe [options] watch SECONDS        prints "ready", then polls every 20 ms and reports
//                                           whether a matching window became visible
//   ui_probe [options] screenshot FILE.bmp  saves the window's screen area
//   ui_probe [options] post MSG WPARAM LPARAM  posts a message to the first visible window
//                                           (with --force, hidden ones too)
//   ui_probe [options] endsession           log-off as Windows does it to the first matching
//                                           window, hidden ones too: sends WM_QUERYENDSESSION,
//                                           then WM_ENDSESSION (TRUE), and ends the window's
//                                           process once that returns (unless it has ended by
//                                           itself); reports the answer and how long
//                                           WM_ENDSESSION took
//   ui_probe [options] ping SECONDS         every 200 ms sends WM_NULL (1 s limit) to each of the
//                                           program's windows, hidden ones too, until none is
//                                           left or the time is up; reports how many answered late
//   ui_probe acp                            prints the ANSI code page Wine gives programs here
//
// Options: --exe NAME (default CorvaneUpdateChecker.exe, "*" for any), --title TEXT,
// --class NAME, --hwnd N, --timeout SECONDS (default 10), --visible (list only visible
// windows), --stop-file PATH (watch ends early once it exists), --bm-click (press with
// BM_CLICK instead of WM_COMMAND to the parent), --force (press hidden or disabled controls).
// Unix paths (/...) are taken as paths on Wine's Z: drive.
// Exit codes: 0 found and done, 1 not found within the timeout (or the action failed), 2 usage.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "json_text.h"
#include "key_chord.h"
#include "window_capture.h"
#include "window_scan.h"

namespace {

const DWORD kPollMs = 20;

struct Options {
  WindowFilter filter = {L"CorvaneUpdateChecker.exe", L"", L"", false, nullptr};
  double timeoutSeconds = 10.0;
  bool visibleList = false;
  bool bmClick = false;
  bool force = false;
  std::wstring stopFile;
  std::vector<std::wstring> words;  // the command and its arguments
};

int usage() {
  fprintf(stderr,
          "usage: ui_probe [--exe NAME] [--title TEXT] [--class NAME] [--hwnd N] [--timeout S]\n"
          "                [--visible] [--stop-file PATH] [--bm-click] [--force]\n"
          "                list | press ID | dismiss [ID] | key CHORD | watch SECONDS | screenshot FILE |\n"
          "                post MSG WPARAM LPARAM | ping SECONDS | endsession\n");
  return 2;
}

std::wstring hostPath(const std::wstring& path) {
  if (path.empty() || path[0] != L'/') return path;
  std::wstring windows = L"Z:" + path;
  for (wchar_t& c : windows) {
    if (c == L'/') c = L'\\';
  }
  return windows;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

bool parseNumber(const std::wstring& text, double& value) {
  wchar_t* end = nullptr;
  value = wcstod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == L'\0' && value >= 0;
}

bool parseId(const std::wstring& text, int& id) {
  wchar_t* end = nullptr;
  const long value = wcstol(text.c_str(), &end, 0);
  id = static_cast<int>(value);
  return !text.empty() && end != nullptr && *end == L'\0';
}

bool parseOptions(int argc, wchar_t** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring word = argv[i];
    const bool hasValue = i + 1 < argc;
    if (word == L"--visible") {
      options.visibleList = true;
    } else if (word == L"--bm-click") {
      options.bmClick = true;
    } else if (word == L"--force") {
      options.force = true;
    } else if (word == L"--exe" && hasValue) {
      options.filter.exeName = argv[++i];
    } else if (word == L"--title" && hasValue) {
      options.filter.title = argv[++i];
    } else if (word == L"--class" && hasValue) {
      options.filter.className = argv[++i];
    } else if (word == L"--hwnd" && hasValue) {
      options.filter.only = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(_wcstoui64(argv[++i], nullptr, 0)));
    } else if (word == L"--timeout" && hasValue) {
      if (!parseNumber(argv[++i], options.timeoutSeconds)) return false;
    } else if (word == L"--stop-file" && hasValue) {
      options.stopFile = hostPath(argv[++i]);
    } else if (word.size() > 2 && word.compare(0, 2, L"--") == 0) {
      return false;
    } else {
      options.words.push_back(word);
    }
  }
  return !options.words.empty();
}

// Polls until `attempt` succeeds or the time is up.
template <typename Attempt>
bool pollUntil(double seconds, Attempt attempt) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  for (;;) {
    if (attempt()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMs);
  }
}

void printLine(const std::string& line) {
  fputs(line.c_str(), stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

std::string handleText(HWND hwnd) {
  return std::to_string(static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(hwnd)));
}

int commandList(const Options& options) {
  WindowFilter filter = options.filter;
  filter.visibleOnly = options.visibleList;
  std::vector<WindowInfo> windows;
  const bool found = pollUntil(options.timeoutSeconds, [&] {
    windows = scanWindows(filter);
    return !windows.empty();
  });
  std::string out = "[";
  for (size_t i = 0; i < windows.size(); ++i) out += (i ? ",\n " : "") + windowJson(windows[i]);
  printLine(out + "]");
  return found ? 0 : 1;
}

bool usable(const ControlInfo& control, bool force) { return force || (control.visible && control.enabled); }

void pressControl(HWND window, const ControlInfo& control, bool bmClick) {
  if (bmClick) {
    PostMessageW(control.hwnd, BM_CLICK, 0, 0);
  } else {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control.hwnd));
  }
}

int commandPress(const Options& options) {
  int id = 0;
  if (options.words.size() != 2 || !parseId(options.words[1], id)) return usage();
  WindowFilter filter = options.filter;
  filter.visibleOnly = !options.force;
  const bool done = pollUntil(options.timeoutSeconds, [&] {
    for (const WindowInfo& window : scanWindows(filter)) {
      const ControlInfo* control = findControl(window, id);
      if (control == nullptr || !usable(*control, options.force)) continue;
      pressControl(window.hwnd, *control, options.bmClick);
      printLine("{\"pressed\": " + std::to_string(id) + ", \"hwnd\": " + handleText(window.hwnd) +
                ", \"title\": " + jsonString(window.title) + ", \"text\": " + jsonString(control->text) + "}");
      return true;
    }
    return false;
  });
  if (!done) fprintf(stderr, "ui_probe: no usable control %d found\n", id);
  return done ? 0 : 1;
}

int commandDismiss(const Options& options) {
  int wanted = 0;
  if (options.words.size() > 2 || (options.words.size() == 2 && !parseId(options.words[1], wanted))) return usage();
  static const int kAnswers[] = {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE, IDTRYAGAIN, IDCONTINUE};
  WindowFilter filter = options.filter;
  filter.visibleOnly = true;
  const bool done = pollUntil(options.timeoutSeconds, [&] {
    for (const WindowInfo& window : scanWindows(filter)) {
      if (!isMessageBox(window)) continue;
      const ControlInfo* button = nullptr;
      if (wanted != 0) {
        button = findControl(window, wanted);
      } else {
        for (int id : kAnswers) {
          button = findControl(window, id);
          if (button != nullptr && button->visible) break;
          button = nullptr;
        }
      }
      if (button == nullptr || !usable(*button, options.force)) continue;
      pressControl(window.hwnd, *button, options.bmClick);
      std::wstring text;
      for (const ControlInfo& control : window.controls) {
        if (control.id == 0xFFFF) text = control.text;
      }
      printLine("{\"dismissed\": " + handleText(window.hwnd) + ", \"button\": " + std::to_string(button->id) +
                ", \"title\": " + jsonString(window.title) + ", \"text\": " + jsonString(text) + "}");
      return true;
    }
    return false;
  });
  if (!done) fprintf(stderr, "ui_probe: no message box found\n");
  return done ? 0 : 1;
}

// The control that has the keyboard focus in the window's thread; the window itself if none.
HWND focusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
    if (info.hwndFocus != nullptr) return info.hwndFocus;
    if (info.hwndActive != nullptr) return info.hwndActive;
  }
  return window;
}

void postKey(HWND window, const KeyChord& chord, HWND& target) {
  if (chord.kind == KeyKind::closeWindow) {
    target = window;
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  target = focusOf(window);
  if (chord.kind == KeyKind::character) {
    const SHORT scan = VkKeyScanW(static_cast<WCHAR>(chord.code));
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(scan & 0xFF), MAPVK_VK_TO_VSC);
    PostMessageW(target, chord.alt ? WM_SYSCHAR : WM_CHAR, chord.code,
                 static_cast<LPARAM>(keyMessageParam(scanCode, chord.alt, false)));
    return;
  }
  const UINT scanCode = MapVirtualKeyW(chord.code, MAPVK_VK_TO_VSC);
  PostMessageW(target, chord.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, chord.code,
               static_cast<LPARAM>(keyMessageParam(scanCode, chord.alt, false)));
  PostMessageW(target, chord.alt ? WM_SYSKEYUP : WM_KEYUP, chord.code,
               static_cast<LPARAM>(keyMessageParam(scanCode, chord.alt, true)));
}

int commandKey(const Options& options) {
  if (options.words.size() != 2) return usage();
  const std::string text = narrow(options.words[1]);
  const KeyChord chord = parseKeyChord(text.c_str());
  if (chord.kind == KeyKind::invalid) return usage();
  WindowFilter filter = options.filter;
  filter.visibleOnly = true;
  const bool done = pollUntil(options.timeoutSeconds, [&] {
    const std::vector<WindowInfo> windows = scanWindows(filter);
    if (windows.empty()) return false;
    HWND target = nullptr;
    postKey(windows[0].hwnd, chord, target);
    printLine("{\"key\": " + jsonString(text.c_str()) + ", \"hwnd\": " + handleText(windows[0].hwnd) +
              ", \"target\": " + handleText(target) + ", \"title\": " + jsonString(windows[0].title) + "}");
    return true;
  });
  if (!done) fprintf(stderr, "ui_probe: no visible window found\n");
  return done ? 0 : 1;
}

int commandWatch(const Options& options) {
  double seconds = 0;
  if (options.words.size() != 2 || !parseNumber(options.words[1], seconds)) return usage();
  WindowFilter filter = options.filter;
  filter.visibleOnly = true;
  printLine("ready");
  const ULONGLONG start = GetTickCount64();
  std::vector<WindowInfo> seen;
  bool stopped = false;
  pollUntil(seconds, [&] {
    // Look once more after the stop file appears: the window may have shown in between.
    stopped = !options.stopFile.empty() && GetFileAttributesW(options.stopFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    seen = scanWindows(filter);
    return !seen.empty() || stopped;
  });
  const std::string after = std::to_string(GetTickCount64() - start);
  if (seen.empty()) {
    printLine(std::string("{\"visible\": false, \"afterMs\": ") + after + ", \"stopped\": " +
              (stopped ? "true" : "false") + "}");
    return 1;
  }
  printLine("{\"visible\": true, \"afterMs\": " + after + ", \"hwnd\": " + handleText(seen[0].hwnd) +
            ", \"title\": " + jsonString(seen[0].title) + ", \"class\": " + jsonString(seen[0].className) + "}");
  return 0;
}

int commandScreenshot(const Options& options) {
  if (options.words.size() != 2) return usage();
  const std::wstring path = hostPath(options.words[1]);
  WindowFilter filter = options.filter;
  filter.visibleOnly = true;
  std::vector<WindowInfo> windows;
  if (!pollUntil(options.timeoutSeconds, [&] {
        windows = scanWindows(filter);
        return !windows.empty();
      })) {
    fprintf(stderr, "ui_probe: no visible window found\n");
    return 1;
  }
  if (!captureWindowToBmp(windows[0].hwnd, path.c_str())) {
    fprintf(stderr, "ui_probe: the screenshot could not be made\n");
    return 1;
  }
  printLine("{\"screenshot\": " + jsonString(path) + ", \"hwnd\": " + handleText(windows[0].hwnd) +
            ", \"title\": " + jsonString(windows[0].title) + "}");
  return 0;
}

int commandPost(const Options& options) {
  int v[3] = {};
  if (options.words.size() != 4 || !parseId(options.words[1], v[0]) || !parseId(options.words[2], v[1]) ||
      !parseId(options.words[3], v[2])) return usage();
  WindowFilter filter = options.filter;
  filter.visibleOnly = !options.force;
  return pollUntil(options.timeoutSeconds, [&] {
    const std::vector<WindowInfo> windows = scanWindows(filter);
    return !windows.empty() && PostMessageW(windows[0].hwnd, static_cast<UINT>(v[0]), v[1], v[2]);
  }) ? 0 : 1;
}

// Windows sends both messages to every top-level window, visible or not, and ends the process
// once WM_ENDSESSION has returned. The wait for that answer is bounded by --timeout.
int commandEndSession(const Options& options) {
  if (options.words.size() != 1) return usage();
  std::vector<WindowInfo> windows;
  if (!pollUntil(options.timeoutSeconds, [&] {
        windows = scanWindows(options.filter);
        return !windows.empty();
      })) {
    fprintf(stderr, "ui_probe: no window found\n");
    return 1;
  }
  const HWND window = windows[0].hwnd;
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, windows[0].processId);
  const UINT limit = static_cast<UINT>(options.timeoutSeconds * 1000.0);
  DWORD_PTR answer = 0;
  const bool queried =
      SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, limit, &answer) != 0;
  const ULONGLONG sent = GetTickCount64();
  DWORD_PTR ignored = 0;
  const bool ended =
      SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, limit, &ignored) != 0;
  const ULONGLONG took = GetTickCount64() - sent;
  const bool terminated = process != nullptr && TerminateProcess(process, 0);
  // Once WM_ENDSESSION has returned, the program may end before Windows ends it.
  const bool endedAlready = !terminated && process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  printLine("{\"hwnd\": " + handleText(window) + ", \"queryAnswered\": " + (queried ? "true" : "false") +
            ", \"queryAnswer\": " + std::to_string(answer) + ", \"endSessionAnswered\": " +
            (ended ? "true" : "false") + ", \"endSessionMs\": " + std::to_string(took) +
            ", \"terminated\": " + (terminated ? "true" : "false") +
            ", \"endedAlready\": " + (endedAlready ? "true" : "false") + "}");
  return queried && ended && (terminated || endedAlready) ? 0 : 1;
}

// What Windows judges by: a window that leaves a message unanswered for 5 s is "Not Responding".
int commandPing(const Options& options) {
  double seconds = 0;
  if (options.words.size() != 2 || !parseNumber(options.words[1], seconds)) return usage();
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000.0);
  int pings = 0, late = 0;
  ULONGLONG slowest = 0;
  for (;;) {
    const std::vector<WindowInfo> windows = scanWindows(options.filter);
    if (windows.empty() || GetTickCount64() >= deadline) break;
    for (const WindowInfo& window : windows) {
      const ULONGLONG sent = GetTickCount64();
      DWORD_PTR answer = 0;
      const bool answered = SendMessageTimeoutW(window.hwnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer) != 0;
      if (!answered && GetLastError() != ERROR_TIMEOUT && !IsWindow(window.hwnd)) continue;  // gone meanwhile
      ++pings;
      if (!answered) ++late;
      if (GetTickCount64() - sent > slowest) slowest = GetTickCount64() - sent;
    }
    Sleep(200);
  }
  printLine("{\"pings\": " + std::to_string(pings) + ", \"late\": " + std::to_string(late) +
            ", \"slowestMs\": " + std::to_string(slowest) + "}");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // plain "\n" line ends for the harness
  Options options;
  if (!parseOptions(argc, argv, options)) return usage();
  const std::wstring& command = options.words[0];
  if (command == L"list") return options.words.size() == 1 ? commandList(options) : usage();
  if (command == L"press") return commandPress(options);
  if (command == L"dismiss") return commandDismiss(options);
  if (command == L"key") return commandKey(options);
  if (command == L"watch") return commandWatch(options);
  if (command == L"screenshot") return commandScreenshot(options);
  if (command == L"post") return commandPost(options);
  if (command == L"ping") return commandPing(options);
  if (command == L"endsession") return commandEndSession(options);
  if (command == L"acp") return printf("%u\n", GetACP()) > 0 ? 0 : 1;
  return usage();
}
