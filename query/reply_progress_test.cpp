#include "query/reply_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/check_record.h"
#include "query/query_context.h"

namespace {

struct ReadCase {
  const char* name;
  std::vector<uint32_t> counts;  // what each read reports, in order
  std::size_t readsTaken;        // reads until reading is over
  uint32_t collected;            // bytes collected then
};

class ReadCollectionTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadCollectionTest, ReadsUntilTheReplyEndsOrTheBlockIsFull) {
  const ReadCase& c = GetParam();
  uint32_t collected = 0;
  std::size_t reads = 0;
  bool over = false;
  for (uint32_t count : c.counts) {
    uint32_t asked = nextReadSize(collected);
    ASSERT_GT(asked, 0u) << c.name << ": asked for nothing before the end";
    ASSERT_EQ(asked, kReplyBlockLimit - collected) << c.name;
    ++reads;
    if (addReadCount(collected, count)) {
      over = true;
      break;
    }
  }
  EXPECT_TRUE(over) << c.name;
  EXPECT_EQ(reads, c.readsTaken) << c.name;
  EXPECT_EQ(collected, c.collected) << c.name;
  EXPECT_LE(collected, kReplyBlockLimit) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadCollectionTest,
    ::testing::Values(ReadCase{"empty body", {0}, 1, 0}, ReadCase{"one piece, then the end", {120, 0}, 2, 120},
                      ReadCase{"three pieces", {10, 500, 3, 0}, 4, 513},
                      ReadCase{"exactly the block", {2047}, 1, 2047},
                      ReadCase{"block filled over pieces", {1000, 1000, 47}, 3, 2047},
                      ReadCase{"longer reply stops at the block", {1500, 547, 953}, 2, 2047},
                      ReadCase{"count above what was asked is clamped", {2000, 4000}, 2, 2047},
                      ReadCase{"one byte at a time then the end", {1, 1, 1, 0}, 4, 3}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return "case" + std::to_string(info.index); });

TEST(ReadCollectionTest, NothingMoreToAskForOnceFull) {
  EXPECT_EQ(nextReadSize(kReplyBlockLimit), 0u);
  EXPECT_EQ(nextReadSize(kReplyBlockLimit + 5), 0u);
  EXPECT_EQ(nextReadSize(0), kReplyBlockLimit);
}

struct AnswerCase {
  bool statusKnown;
  uint32_t statusCode;
  bool answer;
};

class HttpAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(HttpAnswerTest, NeedsAStatusLine) {
  const AnswerCase& c = GetParam();
  EXPECT_EQ(isHttpAnswer(c.statusKnown, c.statusCode), c.answer) << c.statusKnown << " " << c.statusCode;
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, HttpAnswerTest,
    ::testing::Values(AnswerCase{true, 200, true}, AnswerCase{true, 500, true}, AnswerCase{true, 404, true},
                      AnswerCase{true, 100, true}, AnswerCase{true, 999, true}, AnswerCase{true, 0, false},
                      AnswerCase{true, 99, false}, AnswerCase{true, 1000, false}, AnswerCase{false, 200, false},
                      AnswerCase{false, 0, false}));

struct EarlyEndCase {
  uint32_t collected;
  bool lengthKnown;
  uint64_t announced;
  bool early;
};

class EarlyEndTest : public ::testing::TestWithParam<EarlyEndCase> {};

TEST_P(EarlyEndTest, ComparesWithTheAnnouncedLength) {
  const EarlyEndCase& c = GetParam();
  EXPECT_EQ(replyEndedEarly(c.collected, c.lengthKnown, c.announced), c.early)
      << c.collected << " of " << c.announced << (c.lengthKnown ? "" : " (unknown)");
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, EarlyEndTest,
    ::testing::Values(EarlyEndCase{120, true, 120, false}, EarlyEndCase{60, true, 120, true},
                      EarlyEndCase{0, true, 0, false}, EarlyEndCase{0, true, 5, true},
                      EarlyEndCase{60, false, 0, false}, EarlyEndCase{0, false, 0, false},
                      // Only the first block is wanted: a long reply read that far is complete.
                      EarlyEndCase{2047, true, 3000, false}, EarlyEndCase{2046, true, 3000, true},
                      EarlyEndCase{1500, true, 0x100000000ull, true},
                      // More than announced is not a loss.
                      EarlyEndCase{130, true, 120, false}));

struct CopyCase {
  std::string bytes;
  uint32_t collected;
  std::string text;
};

class ReplyTextTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(ReplyTextTest, CopiesUpToTheFirstZeroByte) {
  const CopyCase& c = GetParam();
  char buffer[2048] = {};
  std::memcpy(buffer, c.bytes.data(), c.bytes.size());
  char text[2048];
  std::memset(text, 'x', sizeof text);
  copyReplyText(text, sizeof text, buffer, c.collected);
  EXPECT_EQ(std::string(text), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyTextTest,
    ::testing::Values(CopyCase{"", 0, ""}, CopyCase{"<Result>0</Result>", 18, "<Result>0</Result>"},
                      CopyCase{std::string("0123456789\0abc", 14), 14, "0123456789"},
                      CopyCase{std::string("\0abc", 4), 4, ""}, CopyCase{std::string(2047, 'a'), 2047, std::string(2047, 'a')},
                      // Stale bytes past what was collected are not part of the reply.
                      CopyCase{"abcdef", 3, "abc"}));

TEST(ReplyTextTest, StaysWithinTheTarget) {
  char buffer[2048];
  std::memset(buffer, 'r', sizeof buffer);
  char text[8];
  copyReplyText(text, sizeof text, buffer, kReplyBlockLimit);
  EXPECT_STREQ(text, "rrrrrrr");
}

TEST(CompletionClaimTest, OnlyTheFirstClaimWins) {
  QueryContext query{};
  EXPECT_TRUE(claimCompletion(query));
  EXPECT_FALSE(claimCompletion(query));
  EXPECT_FALSE(claimCompletion(query));
}

TEST(CompletionClaimTest, ExactlyOneOfManyThreadsWins) {
  for (int round = 0; round < 50; ++round) {
    QueryContext query{};
    std::atomic<int> winners{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
      threads.emplace_back([&] {
        while (!go.load()) std::this_thread::yield();
        if (claimCompletion(query)) ++winners;
      });
    }
    go = true;
    for (std::thread& t : threads) t.join();
    ASSERT_EQ(winners.load(), 1) << "round " << round;
  }
}

TEST(ReadPhaseTest, TheReplyArrivesOnce) {
  QueryContext query{};
  EXPECT_FALSE(takeReadResult(query));  // no read issued yet
  EXPECT_TRUE(takeReplyArrival(query));
  EXPECT_FALSE(takeReplyArrival(query));  // a second request-complete starts nothing
}

TEST(ReadPhaseTest, EachReadResultIsTakenOnce) {
  QueryContext query{};
  ASSERT_TRUE(takeReplyArrival(query));
  EXPECT_FALSE(takeReadResult(query));
  markReadInFlight(query);
  EXPECT_FALSE(takeReplyArrival(query));
  EXPECT_TRUE(takeReadResult(query));
  EXPECT_FALSE(takeReadResult(query));  // the caller and a notification cannot both have it
  markReadInFlight(query);
  EXPECT_TRUE(takeReadResult(query));
}

TEST(ReadPhaseTest, ContextStartsAwaitingTheReply) {
  // The record is zero-filled at process start; that must mean "nothing claimed, reply awaited".
  static CheckRecord record;
  EXPECT_EQ(record.query.readPhase, kAwaitingReply);
  EXPECT_TRUE(claimCompletion(record.query));
}

}  // namespace
