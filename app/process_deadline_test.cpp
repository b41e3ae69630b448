#include "app/process_deadline.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProcessDeadline, OnlyAnEmptyScreenCountsDown) {
  struct Case {
    ProcessClock clock;
    uint64_t now;
    uint64_t left;
  } const cases[] = {
      {{0, 60000}, 1000, 59000},
      {{0, 60000}, 60000, 0},
      {{0, 60000}, 90000, 0},  // overdue: at once, never a wrapped wait
      {{1, 60000}, 90000, kNoEnd},
      {{2, 0}, 5, kNoEnd},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(msBeforeEnding(c.clock, c.now), c.left) << c.clock.windowsInView << " " << c.now;
  }
}

TEST(ProcessDeadline, TheLineNamesWhatWasStillRunning) {
  struct Case {
    uint32_t running;
    const char* named;
  } const cases[] = {
      {kSavingChoice, "saving the choice\n"},
      {kUpdateQuery | kOpeningAddress, "the update query, handing the address to the shell\n"},
      {0, "none of its steps (the exit)\n"},
  };
  for (const Case& c : cases) {
    char line[kEndingLineWidth];
    composeEndingLine(c.running, line);
    EXPECT_EQ(std::string(line),
              std::string("Corvane Update Checker: ended by its time limit with nothing on screen; still running: ") +
                  c.named);
  }
}

}  // namespace
