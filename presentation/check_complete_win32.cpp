#include "presentation/check_complete_win32.h"

#include "app/check_record.h"
#include "app/process_deadline_win32.h"
#include "presentation/debug_lines.h"
#include "presentation/debug_output_win32.h"
#include "presentation/dialog_texts.h"
#include "presentation/update_decision.h"
#include "presentation/wide_text.h"
#include "query/parse_update_response.h"

namespace {

void closeDialog(HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); }

// The query sets requestResult when the request could not be made, failed or was not read;
// the reply is then not parsed at all.
UpdateStatus judgeReply(CheckRecord* record) {
  if (record->requestResult != 0) return kStatusNoConnection;
  return ParseUpdateResponse(record);
}

// True when the box could be shown.
bool reportError(UpdateStatus status) {
  char message[kErrorMessageWidth];
  composeErrorMessage(status, message);
  windowInView();
  bool shown = MessageBoxW(nullptr, widenLatin1(message).text, widenLatin1(kErrorCaption).text, MB_OK) != 0;
  windowOutOfView();
  return shown;
}

}  // namespace

void applyDialogPlan(HWND window, const DialogPlan& plan) {
  for (std::size_t i = 0; i < plan.count; ++i) {
    const DialogStep& step = plan.steps[i];
    switch (step.kind) {
      case DialogStepKind::kSetCaption:
        SetWindowTextW(window, widenLatin1(step.text).text);
        break;
      case DialogStepKind::kSetText:
        SetDlgItemTextW(window, step.controlId, widenLatin1(step.text).text);
        break;
      case DialogStepKind::kHide:
        ShowWindow(GetDlgItem(window, step.controlId), SW_HIDE);
        break;
      case DialogStepKind::kShowDialog:
        // Not ShowWindow: a process's first ShowWindow takes the show state its starter asked
        // for, and a starter asking for SW_HIDE would leave the dialog waiting unseen for ever.
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        // Should that fail, ShowWindow, twice: the starter's show state can only take the first.
        for (int tries = 0; tries < 2 && !IsWindowVisible(window); ++tries) ShowWindow(window, SW_SHOW);
        break;
    }
  }
}

int OnCheckComplete(HWND window, CheckRecord* record) {
  if (record == nullptr) {
    closeDialog(window);
    return 1;
  }
  UpdateStatus status = judgeReply(record);
  bool anythingOnOffer = status == kStatusAnswered && runUpdateDecision(*record);
  CheckOutcome outcome = chooseOutcome(status, record->userInitiated, anythingOnOffer);
  bool shown = false;  // the dialog or the error box
  if (outcome == CheckOutcome::kReportAndClose) {
    shown = reportError(status);
  } else if (outcome == CheckOutcome::kPresent) {
    DialogPlan plan;
    planDialog(*record, anythingOnOffer, plan);
    applyDialogPlan(window, plan);
    shown = IsWindowVisible(window) != FALSE;
  }
  // The line tells what happened, so it is composed once the showing has been tried. It is never
  // written here while the dialog is in view: a debug viewer that does not read would freeze it.
  char line[kDebugLineWidth];
  composeCheckLine(*record, status, outcome, shown, line);
  if (outcome == CheckOutcome::kPresent && shown) {
    writeDebugLineAside(line);
    return 1;
  }
  writeDebugLine(line);
  // Closed unseen, after the error box, or because nobody could see the dialog: a dialog hidden
  // for ever would hold the product's lock.
  closeDialog(window);
  return 1;
}
