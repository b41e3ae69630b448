#pragma once
// How a check ends: with the reply block read, or as a failed connection (refused,
// failed, redirected to plain HTTP, or out of time). Whichever comes first hands the one
// completion back to the dialog (app/hand_back_win32.h); later arrivals change nothing.
#include <cstdint>

struct QueryContext;

// Ends the check with the collected reply: responseText is filled, requestResult is 0.
void endCheckWithReply(QueryContext& query);
// Ends the check as failed: requestResult is -1. abortRequest closes the request handle
// so that WinINet stops whatever it is still doing for it.
void endCheckAsFailed(QueryContext& query, bool abortRequest);

// Ends the check as failed once milliseconds have passed, unless it has ended before. False when
// no timer could be made.
bool startQueryTimeLimit(QueryContext& query, uint32_t milliseconds);
// Cancels the time limit without waiting for it.
void stopQueryTimeLimit(QueryContext& query);

