#pragma once
// The dialog's own window messages and timer ids, all in one place. Any program on the desktop
// can post these to the dialog: it acts on one only when hand_back_win32.h says the program
// itself handed it over.
#include <windows.h>

// The check has ended: the record holds the reply, or requestResult says it failed.
// wParam 0, lParam &checkRecord.
constexpr UINT WM_CHECK_COMPLETE = WM_APP + 1;
// A pressed button's work has finished: the dialog may go. wParam 0, lParam &checkRecord.
constexpr UINT WM_BUTTON_WORK_DONE = WM_APP + 2;

// Each hand-back's stand-in when its message could not be posted.
constexpr UINT_PTR kWorkDoneTimer = 1;
constexpr UINT_PTR kCheckCompleteTimer = 2;
