#pragma once
// The main dialog's procedure and its button commands.
#include <windows.h>

INT_PTR CALLBACK UpdateDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Carries out one of the four buttons; 1 when the command was one of them, 0 otherwise.
int OnDialogCommand(HWND dialog, WPARAM wParam);

// Whether a button's work (a save, the shell) has started and not yet finished: the process
// must not end before it has.
bool ButtonWorkRunning();

// Waits, briefly, until the button's work thread has ended. Its last step hands the work back and
// returns while the dialog thread heads for the exit: a thread still tearing itself down as the
// process ends can crash the process under Wine, and the exit code is then lost.
void AwaitButtonWorkerEnd();
