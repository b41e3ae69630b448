#include "query/update_query_progress.h"

#include <atomic>

#include "query/query_context.h"

namespace {

bool moveOn(int32_t& field, int32_t from, int32_t to) {
  return std::atomic_ref<int32_t>(field).compare_exchange_strong(from, to);
}

}  // namespace

bool claimCompletion(QueryContext& query) { return moveOn(query.completionClaimed, 0, 1); }

bool takeReplyArrival(QueryContext& query) { return moveOn(query.readPhase, kAwaitingReply, kReadTaken); }

void markReadInFlight(QueryContext& query) { std::atomic_ref<int32_t>(query.readPhase).store(kReadInFlight); }

bool takeReadResult(QueryContext& query) { return moveOn(query.readPhase, kReadInFlight, kReadTaken); }

namespace {

// QueryContext::requestCalls: the number of threads making calls, times kOneCaller, and two flags.
constexpr int32_t kCloseAsked = 1;
constexpr int32_t kCloseTaken = 2;  // one party has been told to close the handle
constexpr int32_t kOneCaller = 4;

}  // namespace

bool enterRequestCalls(QueryContext& query) {
  std::atomic_ref<int32_t> calls(query.requestCalls);
  int32_t seen = calls.load();
  do {
    if ((seen & kCloseAsked) != 0) return false;
  } while (!calls.compare_exchange_weak(seen, seen + kOneCaller));
  return true;
}

bool leaveRequestCalls(QueryContext& query) {
  std::atomic_ref<int32_t> calls(query.requestCalls);
  int32_t seen = calls.load();
  int32_t next = 0;
  do {
    next = seen - kOneCaller;
    if (next < kOneCaller && (next & (kCloseAsked | kCloseTaken)) == kCloseAsked) next |= kCloseTaken;
  } while (!calls.compare_exchange_weak(seen, next));
  return (next & kCloseTaken) != 0 && (seen & kCloseTaken) == 0;
}

bool askRequestClose(QueryContext& query) {
  std::atomic_ref<int32_t> calls(query.requestCalls);
  int32_t seen = calls.load();
  int32_t next = 0;
  do {
    if ((seen & kCloseAsked) != 0) return false;
    next = seen | kCloseAsked;
    if (seen < kOneCaller) next |= kCloseTaken;
  } while (!calls.compare_exchange_weak(seen, next));
  return (next & kCloseTaken) != 0;
}

bool askHandlesRelease(QueryContext& query) {
  std::atomic_ref<int32_t>(query.releaseAsked).store(1);
  return std::atomic_ref<int32_t>(query.requestCalls).load() < kOneCaller;
}

bool handlesReleaseAsked(QueryContext& query) { return std::atomic_ref<int32_t>(query.releaseAsked).load() != 0; }

uint32_t nextReadSize(uint32_t collected) {
  return collected >= kReplyBlockLimit ? 0 : kReplyBlockLimit - collected;
}

bool addReadCount(uint32_t& collected, uint32_t count) {
  if (count == 0) return true;
  uint32_t asked = nextReadSize(collected);
  collected += count < asked ? count : asked;
  return collected >= kReplyBlockLimit;
}

bool isHttpAnswer(bool statusKnown, uint32_t statusCode) {
  return statusKnown && statusCode >= 100 && statusCode <= 999;
}

bool replyEndedEarly(uint32_t collected, bool lengthKnown, uint64_t announcedLength) {
  if (!lengthKnown) return false;
  uint64_t expected = announcedLength < kReplyBlockLimit ? announcedLength : kReplyBlockLimit;
  return collected < expected;
}

void copyReplyText(char* dst, std::size_t width, const char* collectedBytes, uint32_t collected) {
  if (width == 0) return;
  std::size_t n = 0;
  while (n < collected && n + 1 < width && collectedBytes[n] != '\0') {
    dst[n] = collectedBytes[n];
    ++n;
  }
  dst[n] = '\0';
}
