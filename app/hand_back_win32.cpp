#include "app/hand_back_win32.h"

#include <atomic>

#include "app/check_record.h"
#include "app/window_messages.h"

namespace {

struct Route {
  UINT message;
  UINT_PTR timer;
  std::atomic<bool> handed;  // set by the hand-back, taken by the dialog
};

Route routes[] = {
    {WM_CHECK_COMPLETE, kCheckCompleteTimer, {false}},
    {WM_BUTTON_WORK_DONE, kWorkDoneTimer, {false}},
};

Route& routeOf(HandBack what) { return routes[static_cast<int>(what)]; }

}  // namespace

void handBack(HWND dialog, HandBack what) {
  Route& route = routeOf(what);
  route.handed.store(true, std::memory_order_release);
  LPARAM record = reinterpret_cast<LPARAM>(&checkRecord);
  bool dialogsThread = GetWindowThreadProcessId(dialog, nullptr) == GetCurrentThreadId();
  if (dialogsThread && PostMessageW(dialog, route.message, 0, record)) return;
  if (dialogsThread && SetTimer(dialog, route.timer, USER_TIMER_MINIMUM, nullptr) != 0) return;
  SendMessageW(dialog, route.message, 0, record);
}

bool takeHandBack(HWND dialog, HandBack what) {
  Route& route = routeOf(what);
  if (!route.handed.exchange(false, std::memory_order_acquire)) return false;
  KillTimer(dialog, route.timer);
  return true;
}
