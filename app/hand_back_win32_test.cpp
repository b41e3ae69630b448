#include "app/hand_back_win32.h"

#include <gtest/gtest.h>

#include <thread>

#include "app/check_record.h"
#include "app/window_messages.h"

namespace {

int completions = 0;  // hand-backs the window acted on
int workDone = 0;

// Acts as the dialog does: only on what takeHandBack confirms.
LRESULT CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message == WM_CHECK_COMPLETE || (message == WM_TIMER && wParam == kCheckCompleteTimer)) &&
      takeHandBack(window, HandBack::kCheckComplete)) {
    ++completions;
  }
  if ((message == WM_BUTTON_WORK_DONE || (message == WM_TIMER && wParam == kWorkDoneTimer)) &&
      takeHandBack(window, HandBack::kButtonWorkDone)) {
    ++workDone;
  }
  if (message == WM_TIMER) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

class HandBackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    completions = workDone = 0;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = dialogProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HandBackTestDialog";
    RegisterClassW(&windowClass);
    dialog = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             windowClass.hInstance, nullptr);
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override { DestroyWindow(dialog); }

  static void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  // What another program may post: the program's messages with its lParam or another, and timers.
  void postStrays() {
    for (LPARAM lParam : {LPARAM{0}, reinterpret_cast<LPARAM>(&checkRecord)}) {
      PostMessageW(dialog, WM_CHECK_COMPLETE, 0, lParam);
      PostMessageW(dialog, WM_BUTTON_WORK_DONE, 0, lParam);
    }
    for (WPARAM id = 0; id <= 3; ++id) PostMessageW(dialog, WM_TIMER, id, 0);
    pump();
  }

  HWND dialog = nullptr;
};

TEST_F(HandBackTest, OnlyWhatWasHandedBackIsActedOnAndOnce) {
  postStrays();
  EXPECT_EQ(completions + workDone, 0) << "a stray message or timer was taken for a hand-back";

  // From another thread: sent, and acted on before the hand-back returns.
  std::thread worker([this] {
    handBack(dialog, HandBack::kCheckComplete);
    EXPECT_EQ(completions, 1);
  });
  for (int tries = 0; tries < 100 && completions == 0; ++tries) {
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, 0);
    pump();
  }
  worker.join();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(workDone, 0);

  handBack(dialog, HandBack::kButtonWorkDone);  // on the dialog's own thread: posted, not run
  EXPECT_EQ(workDone, 0);
  pump();
  postStrays();
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(workDone, 1);
}

}  // namespace
