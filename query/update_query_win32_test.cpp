#include "query/update_query_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "app/check_record.h"
#include "query/loaded_dll_calls_win32.h"
#include "query/reply_progress.h"
#include "query/request_handles.h"
#include "query/update_query_completion_win32.h"

namespace {

// What the dialog saw when the completion message reached it.
struct Seen {
  int messages;
  DWORD thread;
  LPARAM lParam;
  int32_t requestResult;
  std::string responseText;
};
Seen seen;

LRESULT CALLBACK testDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHECK_COMPLETE) {
    ++seen.messages;
    seen.thread = GetCurrentThreadId();
    seen.lParam = lParam;
    const CheckRecord* record = reinterpret_cast<const CheckRecord*>(lParam);
    seen.requestResult = record->requestResult;
    seen.responseText = record->responseText;
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class UpdateQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    checkRecord = CheckRecord{};
    seen = Seen{};
    ASSERT_TRUE(loadDllCalls());
    loadedCalls = loadedDllCalls;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = testDialogProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"UpdateQueryTestDialog";
    RegisterClassW(&windowClass);
    dialog = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
    ASSERT_NE(dialog, nullptr);
    query().dialogWindow = dialog;
    query().record = &checkRecord;
  }

  void TearDown() override {
    stopQueryTimeLimit(query());
    ReleaseQueryHandles();
    DestroyWindow(dialog);
    loadedDllCalls = loadedCalls;
  }

  static QueryContext& query() { return checkRecord.query; }

  // Handles sent and posted messages until count completions have arrived or the time is up.
  static void pumpUntil(int count, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (seen.messages < count) {
      DWORD spent = GetTickCount() - start;
      if (spent >= milliseconds) return;
      MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - spent, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  }

  struct Notification {
    DWORD status;
    LPVOID information;
    DWORD length;
  };

  static DWORD WINAPI deliver(LPVOID parameter) {
    const Notification& n = *static_cast<Notification*>(parameter);
    QueryStatusCallback(nullptr, reinterpret_cast<DWORD_PTR>(&query()), n.status, n.information, n.length);
    return 0;
  }

  // Delivers a notification from another thread, as WinINet does, handling what it sends to the
  // dialog until that thread is done.
  static void notifyFromWorker(DWORD status, LPVOID information, DWORD length) {
    Notification notification = {status, information, length};
    HANDLE worker = CreateThread(nullptr, 0, deliver, &notification, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    DWORD start = GetTickCount();
    for (;;) {
      DWORD woke = MsgWaitForMultipleObjectsEx(1, &worker, 10000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      if (woke == WAIT_OBJECT_0 || GetTickCount() - start > 10000) break;
    }
    EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0) << "the notification never returned";
    CloseHandle(worker);
  }

  // Real handles; making them sends nothing over the network.
  static void openHandles() {
    HINTERNET root = InternetOpenA("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    ASSERT_NE(root, nullptr);
    query().internetHandle = root;
    HINTERNET connection = InternetConnectA(root, "update.corvane.com", 443, nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(connection, nullptr);
    query().connectHandle = connection;
    HINTERNET request = HttpOpenRequestA(connection, "POST", "x", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    query().requestHandle = request;
  }

  HWND dialog = nullptr;
  LoadedDllCalls loadedCalls = {};
};

INTERNET_STATUS_CALLBACK WINAPI refuseCallback(HINTERNET, INTERNET_STATUS_CALLBACK) {
  return INTERNET_INVALID_STATUS_CALLBACK;
}

int connectionsAsked = 0;

// Counted calls that still reach WinINet.
decltype(&::InternetCloseHandle) realClose = nullptr;
decltype(&::InternetSetStatusCallbackA) realSetCallback = nullptr;
int closesMade = 0;
int callbacksSet = 0;

BOOL WINAPI countClose(HINTERNET handle) {
  ++closesMade;
  return realClose(handle);
}

INTERNET_STATUS_CALLBACK WINAPI countSetCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) {
  ++callbacksSet;
  return realSetCallback(handle, callback);
}

HINTERNET WINAPI countConnection(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR) {
  ++connectionsAsked;
  SetLastError(ERROR_INTERNET_CANNOT_CONNECT);
  return nullptr;
}

TEST_F(UpdateQueryTest, FailedRequestEndsTheCheckOnceWithFailure) {
  checkRecord.requestResult = 0;
  INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_CANNOT_CONNECT};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof failed);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.lParam, reinterpret_cast<LPARAM>(&checkRecord));
  EXPECT_EQ(seen.thread, GetCurrentThreadId());
  EXPECT_EQ(seen.requestResult, -1);
  EXPECT_EQ(seen.responseText, "");

  // A later notification, successful or not, sends nothing more.
  INTERNET_ASYNC_RESULT succeeded = {1, 0};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &succeeded, sizeof succeeded);
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof failed);
  EXPECT_EQ(seen.messages, 1);
}

// Notifications after which the check ends as a failed connection, each on its own.
struct FailingNotification {
  const char* name;
  DWORD status;
  bool hasResult;
  DWORD_PTR result;
  const char* redirectTarget;
};

class FailingNotificationTest : public UpdateQueryTest,
                                public ::testing::WithParamInterface<FailingNotification> {};

TEST_P(FailingNotificationTest, EndsTheCheckAsFailed) {
  const FailingNotification& c = GetParam();
  checkRecord.requestResult = 0;
  INTERNET_ASYNC_RESULT result = {c.result, 0};
  char target[128] = {};
  if (c.redirectTarget != nullptr) copyBounded(target, c.redirectTarget, sizeof target);
  if (c.status == INTERNET_STATUS_REDIRECT) {
    notifyFromWorker(c.status, c.redirectTarget ? target : nullptr, c.redirectTarget ? sizeof target : 0);
  } else {
    notifyFromWorker(c.status, c.hasResult ? &result : nullptr, c.hasResult ? sizeof result : 0);
  }
  EXPECT_EQ(seen.messages, 1) << c.name;
  EXPECT_EQ(seen.requestResult, -1) << c.name;
  EXPECT_EQ(seen.responseText, "") << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Notifications, FailingNotificationTest,
    ::testing::Values(
        FailingNotification{"request complete without information", INTERNET_STATUS_REQUEST_COMPLETE, false, 0, nullptr},
        // Succeeded, but there is no request handle to read from.
        FailingNotification{"read cannot be made", INTERNET_STATUS_REQUEST_COMPLETE, true, 1, nullptr},
        FailingNotification{"redirect without target", INTERNET_STATUS_REDIRECT, false, 0, nullptr},
        FailingNotification{"redirect to plain http", INTERNET_STATUS_REDIRECT, false, 0, "http://update.corvane.com/x"},
        FailingNotification{"redirect to another scheme", INTERNET_STATUS_REDIRECT, false, 0, "ftp://update.corvane.com/"}),
    [](const ::testing::TestParamInfo<FailingNotification>& info) { return "case" + std::to_string(info.index); });

TEST_F(UpdateQueryTest, NotificationWithoutContextChangesNothing) {
  INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_CANNOT_CONNECT};
  std::thread worker([&] { QueryStatusCallback(nullptr, 0, INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof failed); });
  worker.join();
  pumpUntil(1, 200);
  EXPECT_EQ(seen.messages, 0);
  EXPECT_EQ(query().completionClaimed, 0);
}

struct PendingRead {
  const char* name;
  uint32_t collectedBefore;
  const char* bytes;       // what the buffer holds from the start
  uint32_t lastCount;      // the pending read's count, reported in bytesRead
  const char* replyText;   // what the dialog sees
};

class PendingReadTest : public UpdateQueryTest, public ::testing::WithParamInterface<PendingRead> {};

TEST_P(PendingReadTest, NotificationCarriesOnTheReadInFlight) {
  const PendingRead& c = GetParam();
  std::memcpy(query().readBuffer, c.bytes, std::strlen(c.bytes));
  query().bytesCollected = c.collectedBefore;
  query().bytesRead = c.lastCount;
  ASSERT_TRUE(takeReplyArrival(query()));
  markReadInFlight(query());
  INTERNET_ASYNC_RESULT succeeded = {1, 0};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &succeeded, sizeof succeeded);
  EXPECT_EQ(seen.messages, 1) << c.name;
  EXPECT_EQ(seen.requestResult, 0) << c.name;
  EXPECT_EQ(seen.responseText, c.replyText) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Reads, PendingReadTest,
    ::testing::Values(PendingRead{"reply ended", 5, "hello", 0, "hello"},
                      PendingRead{"empty reply", 0, "", 0, ""},
                      PendingRead{"block full", 2040, "xyz", 7, "xyz"}),
    [](const ::testing::TestParamInfo<PendingRead>& info) { return "case" + std::to_string(info.index); });

TEST_F(UpdateQueryTest, FullBlockReachesTheDialog) {
  std::memset(query().readBuffer, 'a', kReplyBlockLimit);
  query().readBuffer[10] = '\0';
  query().bytesCollected = 2000;
  query().bytesRead = 47;
  ASSERT_TRUE(takeReplyArrival(query()));
  markReadInFlight(query());
  INTERNET_ASYNC_RESULT succeeded = {1, 0};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &succeeded, sizeof succeeded);
  EXPECT_EQ(seen.requestResult, 0);
  EXPECT_EQ(seen.responseText, std::string(10, 'a'));
}

TEST_F(UpdateQueryTest, FailedPendingReadIsAFailure) {
  std::memcpy(query().readBuffer, "partial", 7);
  query().bytesCollected = 7;
  ASSERT_TRUE(takeReplyArrival(query()));
  markReadInFlight(query());
  INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_CONNECTION_RESET};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof failed);
  EXPECT_EQ(seen.requestResult, -1);
  EXPECT_EQ(seen.responseText, "");
}

TEST_F(UpdateQueryTest, RedirectToPlainHttpEndsTheCheckAndClosesTheRequest) {
  openHandles();
  checkRecord.requestResult = 0;
  char target[] = "http://update.corvane.com/stelmarvine/ProductVersionProvider.aspx";
  notifyFromWorker(INTERNET_STATUS_REDIRECT, target, sizeof target);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
  EXPECT_EQ(query().requestHandle, nullptr);
  EXPECT_NE(query().connectHandle, nullptr);
}

TEST_F(UpdateQueryTest, RedirectOnTlsGoesOn) {
  openHandles();
  char target[] = "https://update.corvane.com/stelmarvine/other.aspx";
  notifyFromWorker(INTERNET_STATUS_REDIRECT, target, sizeof target);
  EXPECT_EQ(seen.messages, 0);
  EXPECT_NE(query().requestHandle, nullptr);
  EXPECT_EQ(query().completionClaimed, 0);
}

TEST_F(UpdateQueryTest, RedirectWithoutTargetIsRefused) {
  notifyFromWorker(INTERNET_STATUS_REDIRECT, nullptr, 0);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
}

TEST_F(UpdateQueryTest, HandleCreatedLeavesTheCheckGoing) {
  INTERNET_ASYNC_RESULT handle = {0x1234, 0};
  INTERNET_ASYNC_RESULT none = {0, 0};
  notifyFromWorker(INTERNET_STATUS_HANDLE_CREATED, &handle, sizeof handle);
  notifyFromWorker(INTERNET_STATUS_HANDLE_CREATED, nullptr, 0);
  notifyFromWorker(INTERNET_STATUS_HANDLE_CREATED, &none, sizeof none);
  EXPECT_EQ(seen.messages, 0);
  // The request's own completion still ends the check, once.
  INTERNET_ASYNC_RESULT failed = {0, ERROR_INTERNET_CANNOT_CONNECT};
  notifyFromWorker(INTERNET_STATUS_REQUEST_COMPLETE, &failed, sizeof failed);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
}

TEST_F(UpdateQueryTest, TimeLimitEndsAStalledCheck) {
  openHandles();
  checkRecord.requestResult = 0;
  ASSERT_TRUE(startQueryTimeLimit(query(), 100));
  pumpUntil(1, 10000);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
  EXPECT_EQ(query().requestHandle, nullptr);  // closed, so WinINet gives up on it
  EXPECT_EQ(query().timeLimitTimer, nullptr);
}

TEST_F(UpdateQueryTest, TimeLimitDoesNothingAfterTheCheckEnded) {
  std::memcpy(query().readBuffer, "done", 4);
  query().bytesCollected = 4;
  ASSERT_TRUE(startQueryTimeLimit(query(), 150));
  std::thread worker([] { endCheckWithReply(query()); });
  pumpUntil(1, 5000);
  worker.join();
  EXPECT_EQ(query().timeLimitTimer, nullptr);
  pumpUntil(2, 600);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, 0);
  EXPECT_EQ(seen.responseText, "done");
}

TEST_F(UpdateQueryTest, CheckEndingOnTheDialogsThreadIsPosted) {
  // As when a call fails at once inside WM_INITDIALOG: nothing runs before the message loop.
  endCheckAsFailed(query(), false);
  EXPECT_EQ(seen.messages, 0);
  pumpUntil(1, 1000);
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
}

TEST_F(UpdateQueryTest, ReleaseClosesEveryHandleOnce) {
  openHandles();
  realClose = loadedDllCalls.internetCloseHandle;
  realSetCallback = loadedDllCalls.internetSetStatusCallbackA;
  loadedDllCalls.internetCloseHandle = countClose;
  loadedDllCalls.internetSetStatusCallbackA = countSetCallback;
  closesMade = 0;
  callbacksSet = 0;
  ReleaseQueryHandles();
  EXPECT_EQ(closesMade, 3);
  EXPECT_EQ(callbacksSet, 1);
  EXPECT_EQ(query().internetHandle, nullptr);
  EXPECT_EQ(query().connectHandle, nullptr);
  EXPECT_EQ(query().requestHandle, nullptr);
  // At exit once more: the handles are gone, so WinINet is not called at all.
  ReleaseQueryHandles();
  EXPECT_EQ(closesMade, 3);
  EXPECT_EQ(callbacksSet, 1);
}

TEST_F(UpdateQueryTest, RefusedCallbackFailsTheCheckAtOnce) {
  loadedDllCalls.internetSetStatusCallbackA = refuseCallback;  // nothing would ever report the request
  loadedDllCalls.internetConnectA = countConnection;
  connectionsAsked = 0;
  StartUpdateQuery(dialog);
  pumpUntil(1, 2000);
  EXPECT_EQ(connectionsAsked, 0);  // ended before any connection was asked for
  EXPECT_EQ(seen.messages, 1);
  EXPECT_EQ(seen.requestResult, -1);
  EXPECT_EQ(query().timeLimitTimer, nullptr);
}

TEST_F(UpdateQueryTest, ReleaseLeavesEveryHandleToTheThreadInACall) {
  openHandles();
  ASSERT_TRUE(enterRequestCalls(query()));  // a WinINet thread is inside a call on the request
  ReleaseQueryHandles();
  EXPECT_NE(query().requestHandle, nullptr);
  EXPECT_NE(query().connectHandle, nullptr);
  EXPECT_NE(query().internetHandle, nullptr);
  ASSERT_TRUE(leaveRequestCalls(query()));  // as it leaves, it closes all three
  closeAskedHandles(query());
  EXPECT_EQ(query().requestHandle, nullptr);
  EXPECT_EQ(query().connectHandle, nullptr);
  EXPECT_EQ(query().internetHandle, nullptr);
}

}  // namespace
