#pragma once
// The process's last-resort bound (the numbers and why: app/process_deadline.h). A thread of its
// own watches the clock; when it runs out with nothing on screen it writes one line, on standard
// error and the debug output, and ends the process with exit code 0 at once: no DLL detach, no
// lock, so a thread stuck in a call cannot hold the ending up.
#include "app/process_deadline.h"

// Starts the clock (kStartBoundMs) and its watcher. Once, first thing in the process.
void startProcessDeadline();

// A window the user can see comes into view: the clock stops. Each is paired with
// windowOutOfView, which restarts it at kAfterAnswerBoundMs: the window went with an answer.
void windowInView();
void windowOutOfView();

void beginActivity(Activity activity);
void endActivity(Activity activity);

// For the end of wWinMain: a hand-off the work stopped waiting for may be stuck in a call that
// the runtime's exit would wait on (a DLL's detach), so the process then ends at once.
void endAtOnceIfStillBusy();
