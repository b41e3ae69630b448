#pragma once
// The lines a support engineer reads on the debug output stream: how a check ended and why,
// which button was pressed, and a list that could not be saved. Each line begins with
// "Corvane Update Checker: ", ends in a line feed and is cut to fit kDebugLineWidth.
#include <cstddef>

#include "app/check_policy.h"
#include "app/open_address.h"
#include "presentation/dialog_texts.h"
#include "query/update_status.h"

struct CheckRecord;

constexpr std::size_t kDebugLineWidth = 512;  // bytes, the terminating NUL included

// The check's status, each offer with the reason it was withheld, and what was shown: shown says
// whether the dialog or the error box could be shown (an automatic check closed unseen shows
// nothing either way).
void composeCheckLine(const CheckRecord& record, UpdateStatus status, CheckOutcome outcome, bool shown,
                      char (&out)[kDebugLineWidth]);

// The button and what pressing it opens (and how the address went) or records; false (and an
// empty line) for any other command.
bool composeCommandLine(const CheckRecord& record, int commandId, const AddressResult& opened,
                        char (&out)[kDebugLineWidth]);

// Windows refused the reason a pressed button gives for holding up log-off (its last error):
// log-off may then end the button's work early.
void composeBlockReasonLine(const CheckRecord& record, unsigned long error, char (&out)[kDebugLineWidth]);

// A skip-list file that could not be saved; its previous content is still in place.
void composeSaveFailureLine(const char* fileName, char (&out)[kDebugLineWidth]);

// An automatic check a policy turns off, and whose value did it.
void composePolicyLine(const CheckRecord& record, PolicyScope scope, char (&out)[kDebugLineWidth]);
