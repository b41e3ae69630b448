// Entry point: parse the launch argument, create the hidden dialog (which starts the query) and
// run the message loop until the dialog is closed. The way, thread by thread:
// A check  dialog's thread: WM_INITDIALOG -> StartUpdateQuery (query/update_query_win32.cpp).
//          WinINet's threads: QueryStatusCallback; a redirect off TLS is refused and fails the
//            check; the reply read (readReply) or a failure (query/update_query_completion_win32.cpp,
//            the 30 s time limit's timer too) is handed back: WM_CHECK_COMPLETE. A call that
//            fails, or a send that completes, at once ends the check on the dialog's own thread.
//          dialog's thread: OnCheckComplete (presentation/check_complete_win32.cpp) judges the
//            reply, shows the dialog (its check line is written aside, or kept for later), an
//            error box, or closes unseen.
// A press  dialog's thread: OnDialogCommand; Download first shows its notice; actOnButton hides
//            the dialog and starts the work's thread (no thread: the work runs right there).
//          work's thread: doButtonWork saves (recordSuppression), or openWebAddress hands the
//            address on from a thread of its own and waits at most 10 s, then shows a box if
//            the user must be told; then the debug lines; WM_BUTTON_WORK_DONE is handed back.
//          dialog's thread: endDialog; WM_DESTROY ends the loop below; at exit
//            ReleaseQueryHandles closes the network handles (query/request_handles.h).
// Every hand-back (another thread sends; the dialog's own posts, else a timer, else a send):
// app/hand_back_win32.h. Whatever hangs, a checker with nothing on screen ends on its own:
// app/process_deadline.h.
#include <windows.h>

#include <cstdlib>

#include "app/check_policy_win32.h"
#include "app/check_record.h"
#include "app/command_line_win32.h"
#include "app/launch_arguments.h"
#include "app/process_deadline_win32.h"
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
  // Then, whatever call below never returns, a checker with nothing on screen ends.
  startProcessDeadline();
  beginActivity(kStartingUp);
  (void)releaseRegistered;
  char text[kArgumentBufferSize] = {};
  if (!obtainLaunchArgument(text) || !parseLaunchArguments(checkRecord, text)) return 0;
  // An administrator may turn automatic checks off; a check the user asks for always runs.
  if (!checkRecord.userInitiated && automaticChecksTurnedOff(checkRecord)) return 0;
  // Instances of one plugin may start the same automatic check at once: the first one runs it.
  if (!checkRecord.userInitiated && !claimProductCheck(checkRecord.productName)) return 0;
  endActivity(kStartingUp);

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
  AwaitButtonWorkerEnd();
  endAtOnceIfStillBusy();
  return 0;  // whatever code a quit message carried
}
