#include "app/update_dialog_win32.h"

#include <atomic>

#include "app/check_record.h"
#include "app/hand_back_win32.h"
#include "app/open_address_win32.h"
#include "app/process_deadline_win32.h"
#include "app/window_messages.h"
#include "presentation/check_complete_win32.h"
#include "presentation/debug_lines.h"
#include "presentation/debug_output_win32.h"
#include "presentation/update_decision.h"
#include "presentation/wide_text.h"
#include "query/update_query_win32.h"
#include "resources/resource.h"
#include "skiplist/suppression.h"

namespace {

const char kDownloadNotice[] =
    "Your download is about to start. Be sure to save your work and quit your audio host before "
    "installing the new version.";
const char kDownloadCaption[] = "About to start download...";

// A button is acted on once: the dialog hides at once, the work that may wait (a save that
// other processes hold up, the shell) runs on a thread of its own, and the dialog is destroyed
// when it is done. Meanwhile the message loop runs on, so every window answers, and nothing
// closes the dialog early: ending the process would cut the save short.
int pressedButton = 0;                   // 0 until a button has been acted on
std::atomic<bool> buttonWorkDone{false};  // set by the work's thread when it has finished
HANDLE buttonWorker = nullptr;            // the work's thread, which log-off waits for
HANDLE workAwaitsUser = nullptr;          // set when the work shows a box: log-off waits no more
bool dialogInView = false;                // shown, and neither pressed nor closed since
ULONGLONG buttonWorkStarted = 0;
bool workHoldsLogOff = false;             // whether log-off waits for the work at all
DWORD blockReasonError = 0;               // why Windows refused the log-off reason; 0 if it did not

// The longest the work may take: a save waits for other processes at most this long, and then
// writes; the shell's hand-off is waited for no longer either. Log-off waits for the work no
// longer than this from the press.
constexpr ULONGLONG kButtonWorkBudget = kSuppressionWaitBudget + 2000;
static_assert(kAddressHandOffBoundMs <= kSuppressionWaitBudget, "the hand-off fits the work's budget");

// The dialog is disabled while the download notice it owns is open, but a program can still send
// it commands: a second Download is turned away, any other button closes the notice and so
// cancels the download.
bool noticeOpen = false;
bool completionHandled = false;  // the query's one completion has been acted on

bool isButton(int commandId) {
  return commandId == IDC_DOWNLOAD || commandId == IDC_UPGRADE || commandId == IDC_DONT_REMIND ||
         commandId == IDCANCEL;
}

void reportCommand(int commandId, const AddressResult& opened) {
  char line[kDebugLineWidth];
  if (composeCommandLine(checkRecord, commandId, opened, line)) writeDebugLine(line);
}

// A list that could not be saved has lost the choice; support needs to see which one.
void reportUnsavedLists(int unsaved) {
  char line[kDebugLineWidth];
  if (unsaved & kUpdateListUnsaved) {
    composeSaveFailureLine(kUpdateSkipFileName, line);
    writeDebugLine(line);
  }
  if (unsaved & kUpgradeListUnsaved) {
    composeSaveFailureLine(kUpgradeSkipFileName, line);
    writeDebugLine(line);
  }
}

const char* addressOf(int commandId) {
  if (commandId == IDC_DOWNLOAD) return checkRecord.installerUrl;
  if (commandId == IDC_UPGRADE) return checkRecord.upgradePageUrl;
  return nullptr;
}

// The debug lines come after the work, off the dialog's thread: a debug viewer that does not
// read holds each line up to 10 s, which must delay neither the save nor any window.
void doButtonWork() {
  int unsaved = 0;
  AddressResult opened;
  if (const char* address = addressOf(pressedButton)) {
    opened = openWebAddress(address);
    if (userMustBeTold(opened.outcome)) {
      // The box does not hold up log-off: all that is left is the user's reading of it.
      if (workAwaitsUser != nullptr) SetEvent(workAwaitsUser);
      tellNotOpened(address, opened);
    }
  } else if (pressedButton == IDC_DONT_REMIND) {
    beginActivity(kSavingChoice);
    unsaved = recordSuppression();
    endActivity(kSavingChoice);
  }
  beginActivity(kWritingLines);
  // The check's line, which the dialog's thread could not write while the dialog was in view,
  // comes before the button's.
  awaitDebugLineAside();
  writeKeptDebugLine();
  reportCommand(pressedButton, opened);
  reportUnsavedLists(unsaved);
  if (blockReasonError != 0) {
    char line[kDebugLineWidth];
    composeBlockReasonLine(checkRecord, blockReasonError, line);
    writeDebugLine(line);
  }
  endActivity(kWritingLines);
  buttonWorkDone = true;
}

DWORD WINAPI buttonWorkThread(LPVOID dialog) {
  doButtonWork();
  handBack(static_cast<HWND>(dialog), HandBack::kButtonWorkDone);
  return 0;
}

// The message loop ends on WM_DESTROY; should DestroyWindow fail (a hook may refuse it), it
// ends all the same.
void endDialog(HWND dialog) {
  if (!DestroyWindow(dialog)) PostQuitMessage(0);
}

// Windows ends the process once WM_ENDSESSION returns: a button's work still running (a save
// held up by other processes) gets the rest of its time first. A box the work shows (an address
// not opened) ends the wait: it would hold up log-off for nothing but the user's reading, under a
// reason that no longer says what is happening. Meanwhile messages that other
// programs send are answered, so the thread never stops answering; posted ones wait.
void waitForButtonWork() {
  if (buttonWorker == nullptr || !workHoldsLogOff) return;
  HANDLE awaited[] = {buttonWorker, workAwaitsUser};
  DWORD count = workAwaitsUser != nullptr ? 2 : 1;
  for (;;) {
    ULONGLONG spent = GetTickCount64() - buttonWorkStarted;
    if (spent >= kButtonWorkBudget) return;
    DWORD woke = MsgWaitForMultipleObjectsEx(count, awaited, static_cast<DWORD>(kButtonWorkBudget - spent),
                                             QS_SENDMESSAGE, 0);
    // The work is done or shows a box, the time is up, or the wait failed.
    if (woke != WAIT_OBJECT_0 + count) return;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // handles what was sent
  }
}

// The download notice is the one dialog the dialog owns (an input method's window may be owned
// by it too).
BOOL CALLBACK endNoticeOf(HWND window, LPARAM dialog) {
  wchar_t className[8] = {};
  if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(dialog) && GetClassNameW(window, className, 8) > 0 &&
      lstrcmpW(className, L"#32770") == 0) {
    EndDialog(window, IDCANCEL);
  }
  return TRUE;
}

// What the user is told while log-off waits for the button's work. Not now has nothing to finish
// but a debug line: log-off never waits for it.
const wchar_t* logOffReasonFor(int commandId) {
  switch (commandId) {
    case IDC_DOWNLOAD: return L"Opening the download in your web browser.";
    case IDC_UPGRADE: return L"Opening the upgrade page in your web browser.";
    case IDC_DONT_REMIND: return L"Saving your choice about updates.";
    default: return nullptr;
  }
}

void actOnButton(HWND dialog, int commandId) {
  pressedButton = commandId;
  ShowWindow(dialog, SW_HIDE);
  if (dialogInView) windowOutOfView();
  dialogInView = false;
  // A button sent behind the download notice cancels the download: the notice goes too.
  EnumThreadWindows(GetCurrentThreadId(), endNoticeOf, reinterpret_cast<LPARAM>(dialog));
  // Log-off is never refused, but WM_ENDSESSION's wait for the work stands only while Windows has
  // a reason to show: without one it may end the process at once. A refusal is told by the
  // work's thread, which may wait on a debug viewer; WM_ENDSESSION must be answered meanwhile.
  const wchar_t* reason = logOffReasonFor(commandId);
  workHoldsLogOff = reason != nullptr;
  if (reason != nullptr && !ShutdownBlockReasonCreate(dialog, reason)) {
    DWORD error = GetLastError();
    blockReasonError = error != 0 ? error : ERROR_GEN_FAILURE;
  }
  if (reason != nullptr) workAwaitsUser = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  buttonWorkStarted = GetTickCount64();
  buttonWorker = CreateThread(nullptr, 0, buttonWorkThread, dialog, 0, nullptr);
  if (buttonWorker != nullptr) return;
  doButtonWork();  // no thread to be had: done here, with the dialog hidden, as the only way left
  endDialog(dialog);
}

// The notice comes first; the download follows however it is dismissed, unless another button
// has been acted on or the dialog has gone meanwhile.
void confirmDownload(HWND dialog) {
  if (noticeOpen) return;
  noticeOpen = true;
  windowInView();
  MessageBoxW(dialog, widenLatin1(kDownloadNotice).text, widenLatin1(kDownloadCaption).text, MB_OK);
  windowOutOfView();
  noticeOpen = false;
  if (pressedButton != 0 || !IsWindow(dialog)) return;
  actOnButton(dialog, IDC_DOWNLOAD);  // only now is it known that the download goes ahead
}

int completeCheck(HWND dialog) {
  if (completionHandled || pressedButton != 0) return 0;
  completionHandled = true;
  endActivity(kUpdateQuery);
  beginActivity(kJudgingReply);
  int handled = OnCheckComplete(dialog, &checkRecord);
  endActivity(kJudgingReply);
  dialogInView = IsWindow(dialog) && IsWindowVisible(dialog);
  if (dialogInView) windowInView();
  return handled;
}

}  // namespace

bool ButtonWorkRunning() { return buttonWorker != nullptr && !buttonWorkDone; }

void AwaitButtonWorkerEnd() {
  constexpr DWORD kWorkerEndMs = 2000;  // only its return is left once the work is handed back
  if (buttonWorker != nullptr && buttonWorkDone) WaitForSingleObject(buttonWorker, kWorkerEndMs);
}

int OnDialogCommand(HWND dialog, WPARAM wParam) {
  int commandId = LOWORD(wParam);
  if (!isButton(commandId)) return 0;
  if (pressedButton != 0) return 1;  // a second press, or a command posted after the first
  if (commandId == IDC_DOWNLOAD) {
    confirmDownload(dialog);
  } else {
    actOnButton(dialog, commandId);
  }
  return 1;
}

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      beginActivity(kUpdateQuery);
      StartUpdateQuery(dialog);
      return 1;
    case WM_COMMAND:
      // Only plain commands: accelerators (code 1) and control notifications are ignored.
      if (HIWORD(wParam) != 0) return 0;
      return OnDialogCommand(dialog, wParam);
    // Any program may post these, or a timer of any id: only what was handed back is acted on.
    case WM_CHECK_COMPLETE:
      return takeHandBack(dialog, HandBack::kCheckComplete) ? completeCheck(dialog) : 0;
    case WM_BUTTON_WORK_DONE:
      if (takeHandBack(dialog, HandBack::kButtonWorkDone)) endDialog(dialog);
      return 1;
    case WM_TIMER:
      if (wParam == kCheckCompleteTimer && takeHandBack(dialog, HandBack::kCheckComplete)) completeCheck(dialog);
      if (wParam == kWorkDoneTimer && takeHandBack(dialog, HandBack::kButtonWorkDone)) endDialog(dialog);
      return 1;
    case WM_CLOSE:
      // Once a button is acted on, its work decides when the dialog goes.
      if (pressedButton == 0) endDialog(dialog);
      return 1;
    case WM_ENDSESSION:
      // WM_QUERYENDSESSION keeps its default answer, TRUE: log-off is never held up there.
      if (wParam != 0) waitForButtonWork();
      return 1;
    case WM_DESTROY:
      if (dialogInView) windowOutOfView();
      dialogInView = false;
      writeKeptDebugLine();  // the dialog is out of view for good
      PostQuitMessage(0);
      return 1;
    default:
      return 0;
  }
}
