#pragma once
// The last resort against a call that never returns: a checker with nothing on screen ends on
// its own. Every wait of its own already has a bound: the network 30 s (kQueryTimeLimitMs), the
// lists' lock 10 s (kSuppressionWaitBudget), the shell's hand-off 10 s (kAddressHandOffBoundMs),
// a debug viewer 10 s a line, log-off 12 s from a press. From the start, the network's 30 s, the
// lists read and a line held by a viewer fit well within 60 s; after the user's last answer a save
// (10 s and the writing) or a hand-off (10 s), then a line or two, fit within 30 s. So neither
// bound ends a check that works, however slowly: only one stuck in a call. A window the user can
// see stops the clock; that time is the user's.
#include <cstddef>
#include <cstdint>

constexpr uint64_t kStartBoundMs = 60000;
constexpr uint64_t kAfterAnswerBoundMs = 30000;
constexpr uint64_t kNoEnd = UINT64_MAX;

// What the checker is doing; the ending's line names what was still under way.
enum Activity : uint32_t {
  kStartingUp = 1u << 0,
  kUpdateQuery = 1u << 1,
  kJudgingReply = 1u << 2,
  kSavingChoice = 1u << 3,
  kOpeningAddress = 1u << 4,
  kWritingLines = 1u << 5,
};

struct ProcessClock {
  uint32_t windowsInView;  // the dialog and message boxes on screen
  uint64_t endsAt;         // milliseconds on the monotonic clock; counts only with nothing in view
};

// Milliseconds left before the checker ends itself: kNoEnd while a window is in view, 0 once due.
uint64_t msBeforeEnding(const ProcessClock& clock, uint64_t now);

constexpr std::size_t kEndingLineWidth = 256;  // bytes, the terminating NUL included

// "Corvane Update Checker: ended by its time limit with nothing on screen; still running: ..."
void composeEndingLine(uint32_t running, char (&out)[kEndingLineWidth]);
