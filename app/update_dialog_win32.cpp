#include "app/update_dialog_win32.h"

#include <objbase.h>
#include <shellapi.h>

#include "app/check_record.h"
#include "presentation/check_complete_win32.h"
#include "presentation/debug_lines.h"
#include "presentation/update_decision.h"
#include "presentation/web_address.h"
#include "presentation/wide_text.h"
#include "query/update_query_win32.h"
#include "resources/resource.h"
#include "skiplist/suppression.h"

namespace {

const char kDownloadNotice[] =
    "Your download is about to start. Be sure to save your work and quit your audio host before "
    "installing the new version.";
const char kDownloadCaption[] = "About to start download...";

// The dialog is disabled while the download notice it owns is open, but a program can still send
// it commands: a second Download is turned away, any other button closes the dialog (and with it
// the notice) and so cancels the download.
bool noticeOpen = false;
bool completionHandled = false;  // the query's one completion has been acted on

void closeDialog(HWND dialog) { SendMessageW(dialog, WM_CLOSE, 0, 0); }

void reportCommand(int commandId) {
  char line[kDebugLineWidth];
  if (composeCommandLine(checkRecord, commandId, line)) OutputDebugStringA(line);
}

// The reply's addresses come from the network: only web addresses ever reach the shell, which
// would just as well run a local program or open a file. The shell may hand the address to COM
// handlers, which want the calling thread in a single-threaded apartment.
void openWebAddress(const char* address) {
  if (isWebAddress(address)) {
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ShellExecuteW(nullptr, L"open", widenLatin1(address).text, nullptr, nullptr, SW_SHOWNORMAL);
  }
}

// The notice comes first; the download follows however it is dismissed, unless the dialog has
// been closed meanwhile.
void startDownload(HWND dialog) {
  if (noticeOpen) return;
  noticeOpen = true;
  MessageBoxW(dialog, widenLatin1(kDownloadNotice).text, widenLatin1(kDownloadCaption).text, MB_OK);
  noticeOpen = false;
  if (!IsWindow(dialog)) return;
  reportCommand(IDC_DOWNLOAD);  // only now is it known that the download goes ahead
  openWebAddress(checkRecord.installerUrl);
  closeDialog(dialog);
}

// A list that could not be saved has lost the choice; support needs to see which one.
void reportUnsavedLists(int unsaved) {
  char line[kDebugLineWidth];
  if (unsaved & kUpdateListUnsaved) {
    composeSaveFailureLine(kUpdateSkipFileName, line);
    OutputDebugStringA(line);
  }
  if (unsaved & kUpgradeListUnsaved) {
    composeSaveFailureLine(kUpgradeSkipFileName, line);
    OutputDebugStringA(line);
  }
}

}  // namespace

int OnDialogCommand(HWND dialog, WPARAM wParam) {
  if (LOWORD(wParam) != IDC_DOWNLOAD) reportCommand(LOWORD(wParam));
  switch (LOWORD(wParam)) {
    case IDC_DOWNLOAD:
      startDownload(dialog);
      return 1;
    case IDC_UPGRADE:
      openWebAddress(checkRecord.upgradePageUrl);
      closeDialog(dialog);
      return 1;
    case IDC_DONT_REMIND:
      reportUnsavedLists(recordSuppression());
      closeDialog(dialog);
      return 1;
    case IDCANCEL:
      closeDialog(dialog);
      return 1;
    default:
      return 0;
  }
}

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      StartUpdateQuery(dialog);
      return 1;
    case WM_COMMAND:
      // Only plain commands: accelerators (code 1) and control notifications are ignored.
      if (HIWORD(wParam) != 0) return 0;
      return OnDialogCommand(dialog, wParam);
    case WM_CHECK_COMPLETE:
      // Any program may post this message: only the query's one completion is acted on.
      if (completionHandled || lParam != reinterpret_cast<LPARAM>(&checkRecord)) return 0;
      completionHandled = true;
      return OnCheckComplete(dialog, &checkRecord);
    case WM_CLOSE:
      DestroyWindow(dialog);
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 1;
    default:
      return 0;
  }
}
