#pragma once
// The main dialog's procedure and its button commands.
#include <windows.h>

constexpr UINT WM_CHECK_COMPLETE = WM_APP + 1;  // sent by the query when the reply is in

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Carries out one of the four buttons; 1 when the command was one of them, 0 otherwise.
int OnDialogCommand(HWND dialog, WPARAM wParam);
