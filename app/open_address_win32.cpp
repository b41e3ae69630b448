#include "app/open_address_win32.h"

#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "presentation/web_address.h"
#include "presentation/wide_text.h"

namespace {

const char kNotOpenedCaption[] = "Update Checker";

// Released when it goes out of scope, so that no step's early return leaks an interface.
template <typename Interface>
struct Held {
  Interface* pointer = nullptr;
  Held() = default;
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held() {
    if (pointer != nullptr) pointer->Release();
  }
  void** slot() { return reinterpret_cast<void**>(&pointer); }
};

Elevation processElevation() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return Elevation::kUnknown;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  BOOL read = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  CloseHandle(token);
  if (!read) return Elevation::kUnknown;
  return elevation.TokenIsElevated != 0 ? Elevation::kElevated : Elevation::kLimited;
}

// The desktop's shell object (explorer's, running with the user's normal rights), or false when
// there is none: explorer not running, a remote application or kiosk session.
bool findDesktopShell(Held<IShellDispatch2>& shell) {
  Held<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, windows.slot()))) {
    return false;
  }
  VARIANT desktop = {};
  V_VT(&desktop) = VT_I4;
  V_I4(&desktop) = CSIDL_DESKTOP;
  VARIANT none = {};
  long window = 0;
  Held<IDispatch> desktopWindow;
  // S_FALSE and no object when no desktop window is registered.
  if (windows.pointer->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                                    &desktopWindow.pointer) != S_OK ||
      desktopWindow.pointer == nullptr) {
    return false;
  }
  Held<IServiceProvider> services;
  Held<IShellBrowser> browser;
  Held<IShellView> view;
  Held<IDispatch> background;
  Held<IShellFolderViewDual> folderView;
  Held<IDispatch> application;
  return SUCCEEDED(desktopWindow.pointer->QueryInterface(IID_IServiceProvider, services.slot())) &&
         SUCCEEDED(services.pointer->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.slot())) &&
         SUCCEEDED(browser.pointer->QueryActiveShellView(&view.pointer)) && view.pointer != nullptr &&
         SUCCEEDED(view.pointer->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.slot())) &&
         SUCCEEDED(background.pointer->QueryInterface(IID_IShellFolderViewDual, folderView.slot())) &&
         SUCCEEDED(folderView.pointer->get_Application(&application.pointer)) && application.pointer != nullptr &&
         SUCCEEDED(application.pointer->QueryInterface(IID_IShellDispatch2, shell.slot()));
}

// The desktop's shell opens the address in its own process, so the browser gets the user's
// normal rights, not the checker's. A shell that was reached but found no browser has said so
// in its own error message: the address counts as handed on.
bool handToDesktopShell(const wchar_t* address) {
  Held<IShellDispatch2> shell;
  if (!findDesktopShell(shell)) return false;
  BSTR file = SysAllocString(address);
  BSTR verb = SysAllocString(L"open");
  VARIANT none = {};
  VARIANT operation = {};
  V_VT(&operation) = VT_BSTR;
  V_BSTR(&operation) = verb;
  VARIANT show = {};
  V_VT(&show) = VT_I4;
  V_I4(&show) = SW_SHOWNORMAL;
  HRESULT result = file != nullptr && verb != nullptr ? shell.pointer->ShellExecute(file, none, none, operation, show)
                                                      : E_OUTOFMEMORY;
  SysFreeString(file);
  SysFreeString(verb);
  return SUCCEEDED(result);
}

void openHere(const wchar_t* address) {
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC;
  execute.lpVerb = L"open";
  execute.lpFile = address;
  execute.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&execute);
}

// No owner, like the program's other boxes; Ctrl+C copies its text, the address with it.
void tellNotOpened(const char* address) {
  char text[kNotOpenedTextWidth];
  composeNotOpenedText(address, text);
  wchar_t wideText[kNotOpenedTextWidth];
  widenLatin1Into(text, wideText, kNotOpenedTextWidth);
  MessageBoxW(nullptr, wideText, widenLatin1(kNotOpenedCaption).text, MB_OK | MB_ICONWARNING);
}

}  // namespace

// The reply's addresses come from the network: only web addresses ever reach the shell, which
// would just as well run a local program or open a file. The shell may hand the address to COM
// handlers, which want the calling thread in a single-threaded apartment; the process ends soon
// after, so the call returns only once the address has been handed on.
AddressOutcome openWebAddress(const char* address) {
  if (!isWebAddress(address)) return AddressOutcome::kNotWebAddress;
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  WideText wide = widenLatin1(address);
  Elevation elevation = processElevation();
  bool handed = !opensAddressItself(elevation) && handToDesktopShell(wide.text);
  AddressOutcome outcome = addressOutcome(elevation, handed);
  if (outcome == AddressOutcome::kOpenedHere) openHere(wide.text);
  if (outcome == AddressOutcome::kUserTold) tellNotOpened(address);
  return outcome;
}
