#include "query/update_query_win32.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/check_record.h"
#include "presentation/debug_output_win32.h"
#include "query/loaded_dll_calls_win32.h"
#include "query/notification_rules.h"
#include "query/query_context.h"
#include "query/reply_progress.h"
#include "query/request_handles.h"
#include "query/update_query_completion_win32.h"
#include "query/update_query_request.h"

static_assert(sizeof(DWORD) == sizeof(uint32_t), "bytesRead is handed to WinINet as a DWORD");

namespace {

// WinINet copies these during the calls, but they stay put for the life of the process anyway.
char host[kHostWidth];
char objectName[kObjectNameWidth];
char acceptType[kAcceptTypeWidth];
LPCSTR acceptTypes[2] = {acceptType, nullptr};
char requestHeader[kHeaderWidth];
char userAgent[kUserAgentWidth];

// The lines are written as they are: no carriage return before the line feed.
void useBinaryStandardError() {
  int descriptor = _fileno(stderr);
  if (descriptor >= 0) _setmode(descriptor, _O_BINARY);
}

void fetchUserAgent() {
  DWORD size = sizeof userAgent;
  if (FAILED(loadedDllCalls.obtainUserAgentString(0, userAgent, &size)) || userAgent[0] == '\0') {
    copyBounded(userAgent, kFallbackUserAgent, sizeof userAgent);
  }
}

HINTERNET currentRequest(QueryContext& query) {
  return static_cast<HINTERNET>(std::atomic_ref<void*>(query.requestHandle).load());
}

// WinINet takes a connection closed before any status line for an answer without headers.
bool serverAnswered(QueryContext& query) {
  DWORD httpCode = 0;
  DWORD size = sizeof httpCode;
  bool known = loadedDllCalls.httpQueryInfoA(currentRequest(query), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                                             &httpCode, &size, nullptr) != FALSE;
  return isHttpAnswer(known, httpCode);
}

// The reply is complete when the block is full or as long as its header said. WinINet reports
// a connection lost mid-body as the reply's end; the announced length tells the two apart.
void finishReading(QueryContext& query) {
  DWORD announced = 0;
  DWORD size = sizeof announced;
  bool lengthKnown = loadedDllCalls.httpQueryInfoA(currentRequest(query), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                                   &announced, &size, nullptr) != FALSE;
  if (replyEndedEarly(query.bytesCollected, lengthKnown, announced)) {
    endCheckAsFailed(query, false);
  } else {
    endCheckWithReply(query);
  }
}

// Reads until the block is full or the reply ends. A read that is still pending is carried
// on by the request-complete notification that reports it, on whatever thread that comes.
void readReply(QueryContext& query) {
  for (;;) {
    uint32_t size = nextReadSize(query.bytesCollected);
    if (size == 0) {
      finishReading(query);
      return;
    }
    query.bytesRead = 0;
    markReadInFlight(query);
    BOOL done = loadedDllCalls.internetReadFile(currentRequest(query), query.readBuffer + query.bytesCollected, size,
                                                reinterpret_cast<DWORD*>(&query.bytesRead));
    if (!done && GetLastError() == ERROR_IO_PENDING) return;
    if (!takeReadResult(query)) return;  // a notification has taken this read already
    if (!done) {
      endCheckAsFailed(query, false);
      return;
    }
    if (addReadCount(query.bytesCollected, query.bytesRead)) {
      finishReading(query);
      return;
    }
  }
}

// The request has ended, at once or asynchronously: the reply is read only if a server answered.
void readAnsweredReply(QueryContext& query, bool succeeded) {
  if (succeeded && serverAnswered(query)) {
    readReply(query);
  } else {
    endCheckAsFailed(query, false);
  }
}

void onRequestComplete(QueryContext& query, LPVOID information, DWORD informationLength) {
  if (!enterRequestCalls(query)) return;  // the handle is closed or about to be: the check has ended
  bool succeeded = information != nullptr && informationLength >= sizeof(INTERNET_ASYNC_RESULT) &&
                   static_cast<INTERNET_ASYNC_RESULT*>(information)->dwResult != 0;
  if (takeReplyArrival(query)) {
    readAnsweredReply(query, succeeded);
  } else if (takeReadResult(query)) {
    if (!succeeded) {
      endCheckAsFailed(query, false);
    } else if (addReadCount(query.bytesCollected, query.bytesRead)) {
      finishReading(query);
    } else {
      readReply(query);
    }
  }
  // Anything else reports a read already taken, or comes after the check has ended.
  if (leaveRequestCalls(query)) closeAskedHandles(query);
}

}  // namespace

void StartUpdateQuery(HWND dialog) {
  QueryContext& query = checkRecord.query;
  query.dialogWindow = dialog;
  query.record = &checkRecord;
  checkRecord.requestResult = -1;
  useBinaryStandardError();
  if (!loadDllCalls()) {
    endCheckAsFailed(query, false);
    return;
  }

  copyBounded(host, kUpdateHost, sizeof host);
  buildObjectName(objectName, sizeof objectName, checkRecord);
  copyBounded(requestHeader, kRequestHeader, sizeof requestHeader);
  DWORD headerLength = static_cast<DWORD>(strlen(requestHeader));
  copyBounded(acceptType, kAcceptAnyType, kAcceptTypeBound);
  fetchUserAgent();

  // From here on, every way out ends the check: at once, through WinINet, or by the timer.
  if (!startQueryTimeLimit(query, kQueryTimeLimitMs)) {
    endCheckAsFailed(query, false);  // nothing else would bound the wait
    return;
  }

  HINTERNET root = loadedDllCalls.internetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
  if (root == nullptr) {
    endCheckAsFailed(query, false);
    return;
  }
  std::atomic_ref<void*>(query.internetHandle).store(root);
  // Without its callback an asynchronous request would never be heard of again.
  if (loadedDllCalls.internetSetStatusCallbackA(root, QueryStatusCallback) == INTERNET_INVALID_STATUS_CALLBACK) {
    endCheckAsFailed(query, false);
    return;
  }

  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&query);
  HINTERNET connection = loadedDllCalls.internetConnectA(root, host, kUpdatePort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, context);
  if (connection == nullptr) {
    endCheckAsFailed(query, false);
    return;
  }
  std::atomic_ref<void*>(query.connectHandle).store(connection);

  HINTERNET request = loadedDllCalls.httpOpenRequestA(connection, kRequestVerb, objectName, nullptr, nullptr, acceptTypes,
                                                      kRequestFlags, context);
  if (request == nullptr) {
    endCheckAsFailed(query, false);
    return;
  }
  std::atomic_ref<void*>(query.requestHandle).store(request);
  if (!enterRequestCalls(query)) {
    // The time limit has ended the check and asked for the close, so it closes too: whichever of
    // the two takes the request's field first closes the handle, the other takes null (the time
    // limit finds null when it took the field before the handle was stored). Closed once.
    closeAskedHandles(query);
    return;
  }

  // Counted as sent before the call: its completion may run on another thread before it returns.
  checkRecord.requestResult = 0;
  if (loadedDllCalls.httpSendRequestA(request, requestHeader, headerLength, nullptr, 0)) {
    if (takeReplyArrival(query)) readAnsweredReply(query, true);
  } else if (GetLastError() != ERROR_IO_PENDING) {
    endCheckAsFailed(query, false);
  }
  if (leaveRequestCalls(query)) closeAskedHandles(query);
}

void CALLBACK QueryStatusCallback(HINTERNET, DWORD_PTR context, DWORD notification, LPVOID information,
                                  DWORD informationLength) {
  if (context == 0) return;
  QueryContext& query = *reinterpret_cast<QueryContext*>(context);
  if (const char* line = statusLine(notification)) {
    (void)fputs(line, stderr);  // a lost line changes nothing
    writeDebugLine(line);       // a GUI process's standard error is seldom connected
  }

  switch (notification) {
    case INTERNET_STATUS_REDIRECT:
      // Never leave TLS, whatever the library would follow on its own.
      if (!isSecureRedirectTarget(static_cast<const char*>(information), information ? informationLength : 0)) {
        endCheckAsFailed(query, true);
      }
      break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
      onRequestComplete(query, information, informationLength);
      break;
    default:
      break;
  }
}

void ReleaseQueryHandles() {
  QueryContext& query = checkRecord.query;
  stopQueryTimeLimit(query);
  HINTERNET root = static_cast<HINTERNET>(std::atomic_ref<void*>(query.internetHandle).load());
  if (root == nullptr) return;
  loadedDllCalls.internetSetStatusCallbackA(root, nullptr);
  // All three close now, or as the last thread making a call on the request leaves it.
  releaseHandlesAtExit(query);
}
