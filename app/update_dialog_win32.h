#pragma once
// The main dialog's procedure and its button commands.
#include <windows.h>

// WM_APP + 1 is the query's WM_CHECK_COMPLETE (query/update_query_win32.h).
// Posted by a button's work when it has finished; the dialog is then destroyed.
constexpr UINT WM_BUTTON_WORK_DONE = WM_APP + 2;

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Carries out one of the four buttons; 1 when the command was one of them, 0 otherwise.
int OnDialogCommand(HWND dialog, WPARAM wParam);

// Whether a button's work (a save, the shell) has started and not yet finished: the process
// must not end before it has.
bool ButtonWorkRunning();
