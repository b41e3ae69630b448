#pragma once
// Finding the top-level windows of the program under test and reading their controls.
#include <windows.h>

#include <string>
#include <vector>

struct WindowFilter {
  std::wstring exeName;  // process image name, compared without case; empty or "*" for any
  std::wstring title;    // exact window title; empty for any
  std::wstring className;
  bool visibleOnly;
  HWND only;             // a single window asked for by handle, or null
};

struct ControlInfo {
  HWND hwnd;
  int id;
  std::wstring className;
  std::wstring text;
  bool visible;
  bool enabled;
};

struct WindowInfo {
  HWND hwnd;
  DWORD processId;
  std::wstring exeName;
  std::wstring title;
  std::wstring className;
  bool visible;
  HWND owner;
  RECT rect;
  std::vector<ControlInfo> controls;
};

// Top-level windows that pass the filter, in Z order, with their child controls.
std::vector<WindowInfo> scanWindows(const WindowFilter& filter);

// Whether a process with this image name is running ("" or "*" is never running).
bool processRunning(const std::wstring& exeName);

// A message box: a dialog-class window whose text is a static control with id 0xFFFF.
bool isMessageBox(const WindowInfo& window);

const ControlInfo* findControl(const WindowInfo& window, int id);

std::string windowJson(const WindowInfo& window);
