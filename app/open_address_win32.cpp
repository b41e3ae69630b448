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
#include <shlwapi.h>

#include <atomic>

#include "app/check_record.h"
#include "app/process_deadline_win32.h"
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

// One hand-off per process. Whichever ends first, the hand-off or the work's wait for it, says
// how it went; a hand-off that finds itself abandoned opens nothing more.
enum HandOffState : int { kUnderWay, kFinished, kAbandoned };

struct HandOff {
  wchar_t address[sizeof checkRecord.installerUrl];
  AddressResult result;
  std::atomic<int> state{kUnderWay};
};

HandOff handOff;

bool abandoned() { return handOff.state.load() == kAbandoned; }

// The desktop's shell object (explorer's, running with the user's normal rights), or false when
// there is none: explorer not running, a remote application or kiosk session. Only explorer's
// own object will do: one made in this process would open the address with this process's rights.
bool findDesktopShell(Held<IShellDispatch2>& shell) {
  Held<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.slot()))) {
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

// The desktop's shell reports success whether or not anything opens the address: a scheme with no
// open command is found out here, before the address goes.
bool schemeHasBrowser(const wchar_t* address) {
  wchar_t scheme[8] = {};
  for (int i = 0; i < 7 && address[i] != L'\0' && address[i] != L':'; ++i) scheme[i] = address[i];
  wchar_t command[MAX_PATH];
  DWORD length = MAX_PATH;
  HRESULT found = AssocQueryStringW(ASSOCF_IS_PROTOCOL | ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, scheme, L"open",
                                    command, &length);
  // Too long for the buffer is there all the same.
  return SUCCEEDED(found) || found == E_POINTER;
}

// The desktop's shell opens the address in its own process, so the browser gets the user's
// normal rights, not the checker's. A shell that was reached but could not open the address has
// said so in its own error message: the address counts as handed on.
AddressOutcome handToDesktopShell(const wchar_t* address) {
  if (!schemeHasBrowser(address)) return AddressOutcome::kNoBrowser;
  Held<IShellDispatch2> shell;
  if (!findDesktopShell(shell)) return AddressOutcome::kNoDesktopShell;
  if (abandoned()) return AddressOutcome::kTimedOut;  // the user has been shown the address
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
  return SUCCEEDED(result) ? AddressOutcome::kHandedToDesktop : AddressOutcome::kNoDesktopShell;
}

// No SEE_MASK_FLAG_NO_UI: the shell tells the user itself when nothing opens the address.
AddressOutcome openHere(const wchar_t* address, uint32_t& error) {
  SHELLEXECUTEINFOW execute = {};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOASYNC;
  execute.lpVerb = L"open";
  execute.lpFile = address;
  execute.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&execute)) return AddressOutcome::kOpenedHere;
  error = GetLastError();
  return AddressOutcome::kOpenHereFailed;
}

// The shell may hand the address to COM handlers, which want the calling thread in a
// single-threaded apartment: the thread joins one for the hand-off and leaves it after, with
// every interface released.
void handOn() {
  AddressResult result;
  HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  result.elevation = processElevation();
  if (opensAddressItself(result.elevation)) {
    result.outcome = openHere(handOff.address, result.error);
  } else {
    result.outcome = handToDesktopShell(handOff.address);
  }
  if (SUCCEEDED(apartment)) CoUninitialize();
  handOff.result = result;
  int underWay = kUnderWay;
  handOff.state.compare_exchange_strong(underWay, kFinished);
  endActivity(kOpeningAddress);
}

DWORD WINAPI handOnThread(LPVOID) {
  handOn();
  return 0;
}

}  // namespace

// The reply's addresses come from the network: only web addresses ever reach the shell, which
// would just as well run a local program or open a file.
AddressResult openWebAddress(const char* address) {
  if (!isWebAddress(address)) return AddressResult{};
  widenLatin1Into(address, handOff.address, sizeof handOff.address / sizeof handOff.address[0]);
  beginActivity(kOpeningAddress);
  HANDLE thread = CreateThread(nullptr, 0, handOnThread, nullptr, 0, nullptr);
  if (thread == nullptr) {
    handOn();  // no thread to be had: here, unbounded, as the only way left
    return handOff.result;
  }
  WaitForSingleObject(thread, kAddressHandOffBoundMs);
  CloseHandle(thread);
  int underWay = kUnderWay;
  if (handOff.state.compare_exchange_strong(underWay, kAbandoned)) {
    return AddressResult{AddressOutcome::kTimedOut, Elevation::kUnknown, 0};
  }
  return handOff.result;
}

// No owner, like the program's other boxes; Ctrl+C copies its text, the address with it.
void tellNotOpened(const char* address, const AddressResult& result) {
  char text[kNotOpenedTextWidth];
  composeNotOpenedText(address, result, text);
  wchar_t wideText[kNotOpenedTextWidth];
  widenLatin1Into(text, wideText, kNotOpenedTextWidth);
  windowInView();
  MessageBoxW(nullptr, wideText, widenLatin1(kNotOpenedCaption).text, MB_OK | MB_ICONWARNING);
  windowOutOfView();
}
