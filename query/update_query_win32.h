#pragma once
// The update query: one asynchronous HTTPS POST through WinINet. The status callback
// prints progress, collects the first block of the reply into the record, and hands the
// record to the dialog with WM_CHECK_COMPLETE.
#include <windows.h>
#include <wininet.h>

// The completion message, sent (or posted) by the query to the dialog when the check has ended:
// wParam 0, lParam &checkRecord. The dialog acts on it once.
constexpr UINT WM_CHECK_COMPLETE = WM_APP + 1;

// Starts the query for checkRecord's product; returns before any reply arrives.
// Every check ends with exactly one WM_CHECK_COMPLETE to dialog.
void StartUpdateQuery(HWND dialog);

// A check that ends on the dialog's own thread posts its completion message. Should the queue
// refuse it, the completion comes as the dialog's WM_TIMER with this id, which the dialog kills.
constexpr UINT_PTR kCheckCompleteTimer = 2;

// WinINet's status callback, called with each notification (INTERNET_STATUS_*); context is the
// address of checkRecord.query (0 is ignored).
void CALLBACK QueryStatusCallback(HINTERNET handle, DWORD_PTR context, DWORD notification,
                                  LPVOID information, DWORD informationLength);

// Exit-time clean-up: removes the callback, then closes request, connection and root.
void ReleaseQueryHandles();
