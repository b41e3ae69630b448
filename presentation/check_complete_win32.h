#pragma once
// The dialog's handler for the completion message of the update query.
#include <windows.h>

struct CheckRecord;
struct DialogPlan;

// Judges the reply, decides what is on offer, then fills and shows the dialog, reports a failed
// user-initiated check in a message box, or closes the dialog unseen; a dialog that cannot be
// shown is closed too. A closed dialog is not touched again. Always returns 1.
int OnCheckComplete(HWND window, CheckRecord* record);

// Carries out a plan's steps on the dialog (texts, hidden controls, caption, showing).
void applyDialogPlan(HWND window, const DialogPlan& plan);
