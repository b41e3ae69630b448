#include "query/request_handles.h"

#include <atomic>
#include <cstdint>

#include "query/query_context.h"

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


void* takeHandle(void*& field) { return std::atomic_ref<void*>(field).exchange(nullptr); }
