#pragma once
// State handed to the network status callback as its context value.
// Handles are kept as plain pointers so this header stays free of Windows headers.
#include <cstdint>

struct CheckRecord;

struct QueryContext {
  void* dialogWindow;      // HWND of the main dialog; receives the completion message
  CheckRecord* record;     // the global record; the completion message's lParam
  void* internetHandle;    // HINTERNET from InternetOpenA
  void* connectHandle;     // HINTERNET from InternetConnectA
  void* requestHandle;     // HINTERNET from HttpOpenRequestA
  // Unused: holds its place in the record's layout. Always 0.
  int32_t handleState;
  char readBuffer[2048];   // receives the reply
  uint32_t bytesRead;      // byte count of the last read

  // Appended: what ends every check exactly once, whichever thread gets there first.
  int32_t completionClaimed;  // 0 until one party claims the completion message (interlocked)
  int32_t readPhase;          // who handles the next request-complete notification (interlocked)
  uint32_t bytesCollected;    // reply bytes gathered in readBuffer over all reads
  void* timeLimitTimer;       // timer-queue timer that ends a stalled check
  // Who closes the three handles above, and when: request_handles.h.
  int32_t requestCalls;       // calls in flight on the request handle, and its close (interlocked)
  int32_t releaseAsked;       // 1 once the exit-time release wants every handle closed (interlocked)
};
