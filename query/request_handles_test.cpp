#include "query/request_handles.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "query/query_context.h"

namespace {

// Who closes the request handle: never while a thread is making calls on it, exactly once.
TEST(RequestCloseTest, TheHandleIsClosedOnceAndOnlyWithNoCallInFlight) {
  enum Op { kEnter, kLeave, kAsk };
  struct Step {
    Op op;
    bool result;  // kEnter: may make calls; kLeave, kAsk: is to close now
  };
  const std::vector<std::vector<Step>> cases = {
      {{kAsk, true}, {kEnter, false}, {kAsk, false}},               // idle: the asker closes, at once
      {{kEnter, true}, {kAsk, false}, {kLeave, true}},              // a call in flight: its thread closes
      {{kEnter, true}, {kEnter, true}, {kAsk, false}, {kLeave, false}, {kLeave, true}},  // the last one out
      {{kEnter, true}, {kLeave, false}, {kEnter, true}, {kLeave, false}, {kAsk, true}},  // no ask, no close
      {{kEnter, true}, {kAsk, false}, {kEnter, false}, {kLeave, true}},  // none enters once it is asked for
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    QueryContext query{};
    for (std::size_t step = 0; step < cases[i].size(); ++step) {
      const Step& s = cases[i][step];
      bool got = s.op == kEnter ? enterRequestCalls(query) : s.op == kLeave ? leaveRequestCalls(query)
                                                                            : askRequestClose(query);
      EXPECT_EQ(got, s.result) << "case " << i << ", step " << step;
    }
  }
}

// At exit the connection and root close with the request, by the same rule.
TEST(HandlesReleaseTest, AllCloseAtOnceOnlyWithNoCallInFlight) {
  struct Case {
    bool callInFlight;
    bool closeAskedBefore;  // by the time limit, before the exit
  };
  for (Case c : {Case{false, false}, Case{false, true}, Case{true, false}, Case{true, true}}) {
    QueryContext query{};
    if (c.callInFlight) ASSERT_TRUE(enterRequestCalls(query));
    if (c.closeAskedBefore) askRequestClose(query);
    askRequestClose(query);
    EXPECT_FALSE(handlesReleaseAsked(query));
    EXPECT_EQ(askHandlesRelease(query), !c.callInFlight) << c.callInFlight << c.closeAskedBefore;
    EXPECT_TRUE(handlesReleaseAsked(query));
    if (c.callInFlight) EXPECT_TRUE(leaveRequestCalls(query));  // the last one out closes all three
  }
}

}  // namespace
