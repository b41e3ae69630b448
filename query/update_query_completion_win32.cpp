#include "query/update_query_completion_win32.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "app/check_record.h"
#include "query/query_context.h"
#include "query/reply_progress.h"
#include "query/request_handles.h"
#include "query/update_query_win32.h"

namespace {

// WinINet's threads hand over synchronously: the dialog has handled the record when this
// returns. A check that ends on the dialog's own thread (a call that failed at once inside
// WM_INITDIALOG) posts instead, so the message is handled once the message loop runs. A full
// queue refuses a post, and nothing else would end the hidden dialog: a timer, which needs no
// room in the queue, brings the completion then, and with no timer either it is handled at
// once, inside the dialog's creation.
void deliverCompletion(QueryContext& query) {
  HWND dialog = static_cast<HWND>(query.dialogWindow);
  LPARAM record = reinterpret_cast<LPARAM>(query.record);
  bool dialogsThread = GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId();
  if (dialogsThread && (PostMessageW(dialog, WM_CHECK_COMPLETE, 0, record) ||
                        SetTimer(dialog, kCheckCompleteTimer, USER_TIMER_MINIMUM, nullptr) != 0)) {
    return;
  }
  SendMessageW(dialog, WM_CHECK_COMPLETE, 0, record);
}

void CALLBACK onTimeLimit(PVOID context, BOOLEAN) {
  endCheckAsFailed(*static_cast<QueryContext*>(context), true);
}

}  // namespace

void endCheckWithReply(QueryContext& query) {
  if (query.record == nullptr || !claimCompletion(query)) return;
  copyReplyText(query.record->responseText, sizeof query.record->responseText, query.readBuffer,
                query.bytesCollected);
  query.record->requestResult = 0;
  stopQueryTimeLimit(query);
  deliverCompletion(query);
}

void endCheckAsFailed(QueryContext& query, bool abortRequest) {
  if (query.record == nullptr || !claimCompletion(query)) return;
  query.record->requestResult = -1;
  // Closed here only when no thread is making a call on the handle (the rule in
  // request_handles.h; a close inside the handle's own callback is allowed too); otherwise the
  // thread making the call closes it once the call has returned. The check ends now either way:
  // the completion does not wait for the close.
  if (abortRequest && askRequestClose(query)) closeAskedHandles(query);
  stopQueryTimeLimit(query);
  deliverCompletion(query);
}

bool startQueryTimeLimit(QueryContext& query, uint32_t milliseconds) {
  HANDLE timer = nullptr;
  if (!CreateTimerQueueTimer(&timer, nullptr, onTimeLimit, &query, milliseconds, 0,
                             WT_EXECUTEONLYONCE | WT_EXECUTELONGFUNCTION)) {
    return false;
  }
  std::atomic_ref<void*>(query.timeLimitTimer).store(timer);
  return true;
}

void stopQueryTimeLimit(QueryContext& query) {
  // No waiting: this may run inside the timer's own callback.
  HANDLE timer = takeHandle(query.timeLimitTimer);
  if (timer != nullptr) DeleteTimerQueueTimer(nullptr, timer, nullptr);
}
