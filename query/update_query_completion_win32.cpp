#include "query/update_query_completion_win32.h"

#include <windows.h>
#include <wininet.h>

#include <atomic>

#include "app/check_record.h"
#include "app/hand_back_win32.h"
#include "query/query_context.h"
#include "query/reply_progress.h"
#include "query/request_handles.h"

namespace {

void deliverCompletion(QueryContext& query) {
  handBack(static_cast<HWND>(query.dialogWindow), HandBack::kCheckComplete);
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
