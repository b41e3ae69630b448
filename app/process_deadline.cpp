#include "app/process_deadline.h"

#include "app/check_record.h"

uint64_t msBeforeEnding(const ProcessClock& clock, uint64_t now) {
  if (clock.windowsInView != 0) return kNoEnd;
  return clock.endsAt > now ? clock.endsAt - now : 0;
}

void composeEndingLine(uint32_t running, char (&out)[kEndingLineWidth]) {
  static const struct {
    Activity activity;
    const char* name;
  } kNames[] = {
      {kStartingUp, "starting up"},
      {kUpdateQuery, "the update query"},
      {kJudgingReply, "reading the reply and the lists"},
      {kSavingChoice, "saving the choice"},
      {kOpeningAddress, "handing the address to the shell"},
      {kWritingLines, "writing debug lines"},
  };
  copyBounded(out, "Corvane Update Checker: ended by its time limit with nothing on screen; still running: ",
              sizeof out);
  const char* separator = "";
  for (const auto& entry : kNames) {
    if ((running & entry.activity) == 0) continue;
    appendBounded(out, separator, sizeof out);
    appendBounded(out, entry.name, sizeof out);
    separator = ", ";
  }
  // A call outside the steps above: the exit's clean-up, say.
  if (separator[0] == '\0') appendBounded(out, "none of its steps (the exit)", sizeof out);
  appendBounded(out, "\n", sizeof out);
}
