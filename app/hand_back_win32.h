#pragma once
// How work finished on any thread reaches the dialog's thread. One rule for every hand-back: it
// is marked as handed, then
// - from another thread, sent: the thread waits until the dialog has acted on it, so that nothing
//   it does next (WinINet going on with a request the check has ended, a redirect it refused)
//   can come before the check's end;
// - from the dialog's own thread, posted, to be acted on once the message loop runs (a send would
//   run it at once, inside whatever called); should the queue refuse the post, a timer brings it
//   (a timer needs no room in the queue); with no timer either, it is sent after all.
// The dialog acts on a message or timer only when takeHandBack finds it marked: one sent or
// posted by another program changes nothing.
#include <windows.h>

enum class HandBack { kCheckComplete, kButtonWorkDone };

// Everything the dialog will read must be written before this is called.
void handBack(HWND dialog, HandBack what);

// On the dialog's thread, for a message or timer that may carry `what`: true once for each
// hand-back, whichever of its message, its timer or a stray look-alike comes first; kills the
// stand-in timer.
bool takeHandBack(HWND dialog, HandBack what);
