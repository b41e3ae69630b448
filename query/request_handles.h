#pragma once
// Who closes the three WinINet handles in QueryContext, and when. The whole rule:
//
// - The request handle is closed once: by whoever asks for its close (the time limit, a refused
//   redirect, the exit-time release) if no call on it is in flight, else by the last thread to
//   leave its calls. WinINet allows a close only while no call is being made on the handle, or
//   after a call has returned ERROR_IO_PENDING (the close then cancels it). Once the close is
//   asked for, no thread starts a call on the handle.
// - The connection and root handles are closed only at exit, by the same rule: with the request,
//   at once when no call is in flight, else by the last thread to leave.
// - Every close takes its handle out of its field with one exchange (takeHandle): when two
//   parties both close, the second finds null and closes nothing. Two closes rely on this: the
//   query's start closing the request it has just stored when the time limit has already asked
//   for the close (and may have taken the field before the handle was stored), and the
//   exit-time release closing the connection and root while the last thread to leave may be
//   closing them too.
//
// The counter below is portable; taking and closing the handles is in request_handles_win32.cpp.

struct QueryContext;

// A thread marks each stretch in which it makes calls on the request handle with these two. A
// call that returned ERROR_IO_PENDING counts as made, not in flight: a close cancels it.
// True when the caller may make calls on the request handle; false once its close was asked for.
bool enterRequestCalls(QueryContext& query);
// Ends the caller's stretch of calls. True when the caller is to close the handle now.
bool leaveRequestCalls(QueryContext& query);
// Asks for the request handle to be closed. True when the caller is to close it now; otherwise
// the last thread still making calls does, or it has been asked for already.
bool askRequestClose(QueryContext& query);
// At exit, asks for the connection and root to be closed with the request (after
// askRequestClose, so that no call can start meanwhile). True when no call on the request is
// being made, so all may be closed now; otherwise the last thread to leave closes them.
bool askHandlesRelease(QueryContext& query);
// True once the exit-time release has been asked for.
bool handlesReleaseAsked(QueryContext& query);

// Takes a handle (or the time-limit timer) out of its field, leaving null: of two takers, only
// the first gets it.
void* takeHandle(void*& field);

// Win32 adapter (request_handles_win32.cpp):

// Closes the handles whose close has been asked for: the request, and once the exit-time
// release has been asked for, the connection and the root. Called by the party the rule names:
// the one askRequestClose, leaveRequestCalls or askHandlesRelease answered true.
void closeAskedHandles(QueryContext& query);
// At exit: asks for every handle's close, and closes all three now when no call on the request
// is in flight.
void releaseHandlesAtExit(QueryContext& query);
