// Entry point: parse the launch argument, create the hidden dialog (which starts the query) and
// run the message loop until the dialog is closed. The way, thread by thread:
// A check   dialog's thread: UpdateDialogProc, on WM_INITDIALOG, calls StartUpdateQuery
//             (query/update_query_win32.cpp), which returns at once.
//           WinINet's threads: QueryStatusCallback -> onRequestComplete -> readReply, ending in
//             endCheckWithReply or endCheckAsFailed (query/update_query_completion_win32.cpp; the
//             time limit's timer ends a stalled check the same way): they send WM_CHECK_COMPLETE
//             (a check that fails at once, on the dialog's thread, posts it).
//           dialog's thread: OnCheckComplete (presentation/check_complete_win32.cpp) parses the
//             reply, runs runUpdateDecision, then shows the dialog, reports an error or closes it.
// A press   dialog's thread: OnDialogCommand -> actOnButton (app/update_dialog_win32.cpp) hides
//             the dialog and starts a worker thread.
//           worker thread: doButtonWork opens the address (openWebAddress,
//             app/open_address_win32.cpp), or saves with recordSuppression.
//           dialog's thread: WM_BUTTON_WORK_DONE (or the work-done timer) -> endDialog; WM_DESTROY
//             ends the loop below; at exit ReleaseQueryHandles closes the network handles
//             (who closes which, and when: query/request_handles.h).
#include <windows.h>

#include <cstdlib>

#include "app/check_policy_win32.h"
#include "app/check_record.h"
#include "app/command_line_win32.h"
#include "app/launch_arguments.h"
#include "app/product_lock.h"
#include "app/update_dialog_win32.h"
#include "query/update_query_win32.h"
#include "resources/resource.h"

namespace {

// The network handles are released as the process ends, after the message loop.
const int releaseRegistered = std::atexit(ReleaseQueryHandles);

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  // Libraries loaded from here on (the query loads the network and XML ones itself) come from
  // the system folder only, never from a file of the same name planted beside the program.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  (void)releaseRegistered;
  char text[kArgumentBufferSize] = {};
  if (!obtainLaunchArgument(text) || !parseLaunchArguments(checkRecord, text)) return 0;
  // An administrator may turn automatic checks off; a check the user asks for always runs.
  if (!checkRecord.userInitiated && automaticChecksTurnedOff(checkRecord)) return 0;
  // Instances of one plugin may start the same automatic check at once: the first one runs it.
  if (!checkRecord.userInitiated && !claimProductCheck(checkRecord.productName)) return 0;

  // Created hidden; WM_INITDIALOG starts the query before this returns.
  HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_UPDATE), GetDesktopWindow(),
                                   UpdateDialogProc, 0);
  if (dialog == nullptr) return 0;  // nothing would ever end the loop

  HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINACCEL));
  MSG message = {};
  // No IsDialogMessageW: keys go straight to the focused control.
  for (;;) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    // Another program may post WM_QUIT: a button's work (a save) still running is finished first.
    if (got == 0 && ButtonWorkRunning()) continue;
    if (got <= 0) break;
    if (TranslateAcceleratorW(message.hwnd, accelerators, &message) == 0) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;  // whatever code a quit message carried
}
