#pragma once
// The update query: one asynchronous HTTPS POST through WinINet. The status callback
// prints progress, collects the first block of the reply into the record, and hands the
// check's end to the dialog (HandBack::kCheckComplete, app/hand_back_win32.h).
#include <windows.h>
#include <wininet.h>

#include "app/window_messages.h"

// Starts the query for checkRecord's product; returns before any reply arrives.
// Every check ends with one hand-back of its completion to dialog: WM_CHECK_COMPLETE, or its
// timer when the post was refused.
void StartUpdateQuery(HWND dialog);

// WinINet's status callback, called with each notification (INTERNET_STATUS_*); context is the
// address of checkRecord.query (0 is ignored).
void CALLBACK QueryStatusCallback(HINTERNET handle, DWORD_PTR context, DWORD notification,
                                  LPVOID information, DWORD informationLength);

// Exit-time clean-up: removes the callback, then closes request, connection and root, or leaves
// them to the WinINet thread still making a call on the request (query/request_handles.h).
void ReleaseQueryHandles();
