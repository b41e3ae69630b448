#include "query/reply_progress.h"

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

uint32_t nextReadSize(uint32_t collected) {
  return collected >= kReplyBlockLimit ? 0 : kReplyBlockLimit - collected;
}

bool addReadCount(uint32_t& collected, uint32_t count) {
  if (count == 0) return true;
  uint32_t asked = nextReadSize(collected);
  collected += count < asked ? count : asked;
  return collected >= kReplyBlockLimit;
}

bool isHttpAnswer(bool codeKnown, uint32_t httpCode) {
  return codeKnown && httpCode >= 100 && httpCode <= 999;
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
