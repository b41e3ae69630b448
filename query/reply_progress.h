#pragma once
// How far the reply has come, across WinINet's threads and the time-limit timer: which party
// handles a request-complete notification, how the reply block is collected over several
// reads, and the one claim that lets exactly one party send the completion message.
// Who closes the handles meanwhile is in request_handles.h.
#include <cstddef>
#include <cstdint>

struct QueryContext;

// At most this many bytes of the reply are read; the rest is never fetched.
constexpr uint32_t kReplyBlockLimit = 2047;

// Values of QueryContext::readPhase.
constexpr int32_t kAwaitingReply = 0;  // the request is on its way; its completion starts reading
constexpr int32_t kReadInFlight = 1;   // a read was issued; its result has not been taken yet
constexpr int32_t kReadTaken = 2;      // some thread is working with the reply

// True for exactly one caller per check: the one that may write the outcome and send it.
bool claimCompletion(QueryContext& query);
// True for the one caller that takes the request's own completion (the reply has arrived).
bool takeReplyArrival(QueryContext& query);
// Marks a read as issued, before the call that may complete it on another thread.
void markReadInFlight(QueryContext& query);
// True for the one caller that takes the result of the read in flight.
bool takeReadResult(QueryContext& query);

// Bytes to ask for next, given how many are collected; 0 once the block is full.
uint32_t nextReadSize(uint32_t collected);
// Adds one read's count (clamped to what was asked for). True when reading is over:
// the reply ended (a read of 0 bytes) or the block is full.
bool addReadCount(uint32_t& collected, uint32_t count);
// True when the server answered with an HTTP status line (any code, errors included);
// a connection closed without one is a failed request, not an empty reply.
bool isHttpAnswer(bool codeKnown, uint32_t httpCode);
// True when the reply ended before the length its header announced (or before the block is
// full, for a longer one): the connection was lost mid-body, so the read failed.
bool replyEndedEarly(uint32_t collected, bool lengthKnown, uint64_t announcedLength);
// Copies the collected bytes up to the first zero byte, terminated, into dst (width bytes).
void copyReplyText(char* dst, std::size_t width, const char* collectedBytes, uint32_t collected);
