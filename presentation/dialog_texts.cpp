#include "presentation/dialog_texts.h"

#include "app/check_record.h"
#include "resources/resource.h"

namespace {

// prefix + field + suffix, cut after width - 1 characters.
void composeSentence(char* out, std::size_t width, const char* prefix, const char* field,
                     const char* suffix) {
  copyBounded(out, prefix, width);
  appendBounded(out, field, width);
  appendBounded(out, suffix, width);
}

}  // namespace

void composeTitle(const CheckRecord& record, bool anythingOnOffer, char (&out)[kTitleWidth]) {
  composeSentence(out, kTitleWidth, "", record.displayName,
                  anythingOnOffer ? " - Update Available!" : "");
}

void composeCurrentVersion(const CheckRecord& record, char (&out)[kCurrentVersionWidth]) {
  composeSentence(out, kCurrentVersionWidth, "Your current version: ", record.currentVersion, "");
}

void composeUpdateHeadline(const CheckRecord& record, char (&out)[kHeadlineWidth]) {
  composeSentence(out, kHeadlineWidth, "A FREE update for your ", record.softwareLabel,
                  " software is now available!");
}

void composeUpToDateHeadline(const CheckRecord& record, char (&out)[kHeadlineWidth]) {
  composeSentence(out, kHeadlineWidth, "Your ", record.softwareLabel, " software is up to date!");
}

void composeNewVersion(const CheckRecord& record, char (&out)[kNewVersionWidth]) {
  composeSentence(out, kNewVersionWidth, "New version available:  ", record.newVersion, "");
}

void composeDownloadText(const CheckRecord& record, char (&out)[kDownloadTextWidth]) {
  composeSentence(out, kDownloadTextWidth, "Download the FREE update for ", record.displayName,
                  " now!");
}

void composeUpgradeHeadline(const CheckRecord& record, char (&out)[kUpgradeHeadlineWidth]) {
  composeSentence(out, kUpgradeHeadlineWidth, "An UPGRADE for your ", record.softwareLabel,
                  " software is available!");
}

void composeUpgradeText(const CheckRecord& record, char (&out)[kUpgradeTextWidth]) {
  composeSentence(out, kUpgradeTextWidth, "Upgrade to ", record.upgradeName, " now!");
}

void composeDontRemindText(const CheckRecord& record, char (&out)[kDontRemindWidth]) {
  // A lone upgrade is also "THIS update."
  const char* text = (record.updateAvailable && record.upgradeAvailable)
                         ? "Don't remind me again about THESE updates."
                         : "Don't remind me again about THIS update.";
  copyBounded(out, text, kDontRemindWidth);
}

void composeCloseText(char (&out)[kCloseTextWidth]) {
  copyBounded(out, "Ok, thanks! (Click here to close Update Checker)", kCloseTextWidth);
}

void composeErrorMessage(UpdateStatus status, char (&out)[kErrorMessageWidth]) {
  const char* message = "An error occurred while attempting to check for updates.";
  switch (status) {
    case kStatusBadData:
      message = "There was an error in the data sent to the Corvane server.";
      break;
    case kStatusUnsupported:
      message =
          "The Corvane server does not currently support checking for updates for this product.";
      break;
    case kStatusInvalidArguments:
      message = "The arguments passed to the Update Checker were invalid.";
      break;
    case kStatusNoConnection:
      message =
          "There was an error attempting to connect to the Corvane server. Check your internet "
          "connections, or try again later.";
      break;
    case kStatusUnreadableReply:
      message = "There was an error interpreting the response from the Corvane server.";
      break;
    default:
      break;
  }
  copyBounded(out, message, kErrorMessageWidth);
}

namespace {

void addStep(DialogPlan& plan, DialogStepKind kind, int controlId, const char* text) {
  if (plan.count >= kMaxDialogSteps) return;
  DialogStep& step = plan.steps[plan.count++];
  step.kind = kind;
  step.controlId = controlId;
  copyBounded(step.text, text, kStepTextWidth);
}

void setText(DialogPlan& plan, int controlId, const char* text) {
  addStep(plan, DialogStepKind::kSetText, controlId, text);
}

void hide(DialogPlan& plan, int controlId) { addStep(plan, DialogStepKind::kHide, controlId, ""); }

void planUpdatePart(const CheckRecord& record, DialogPlan& plan) {
  if (!record.updateAvailable) {
    char headline[kHeadlineWidth];
    composeUpToDateHeadline(record, headline);
    setText(plan, IDC_HEADLINE, headline);
    hide(plan, IDC_NEW_VERSION);
    hide(plan, IDC_DOWNLOAD);
    hide(plan, IDC_DOWNLOAD_NOTE);
    return;
  }
  char headline[kHeadlineWidth];
  composeUpdateHeadline(record, headline);
  setText(plan, IDC_HEADLINE, headline);
  char newVersion[kNewVersionWidth];
  composeNewVersion(record, newVersion);
  setText(plan, IDC_NEW_VERSION, newVersion);
  char download[kDownloadTextWidth];
  composeDownloadText(record, download);
  setText(plan, IDC_DOWNLOAD, download);
}

void planUpgradePart(const CheckRecord& record, DialogPlan& plan) {
  if (!record.upgradeAvailable) {
    hide(plan, IDC_UPGRADE_HEADLINE);
    hide(plan, IDC_UPGRADE);
    return;
  }
  char headline[kUpgradeHeadlineWidth];
  composeUpgradeHeadline(record, headline);
  setText(plan, IDC_UPGRADE_HEADLINE, headline);
  char upgrade[kUpgradeTextWidth];
  composeUpgradeText(record, upgrade);
  setText(plan, IDC_UPGRADE, upgrade);
}

void planButtons(const CheckRecord& record, bool anythingOnOffer, DialogPlan& plan) {
  if (anythingOnOffer) {
    char dontRemind[kDontRemindWidth];
    composeDontRemindText(record, dontRemind);
    setText(plan, IDC_DONT_REMIND, dontRemind);
    return;
  }
  hide(plan, IDC_DONT_REMIND);
  char close[kCloseTextWidth];
  composeCloseText(close);
  setText(plan, IDCANCEL, close);
}

}  // namespace

void planDialog(const CheckRecord& record, bool anythingOnOffer, DialogPlan& plan) {
  plan.count = 0;
  char title[kTitleWidth];
  composeTitle(record, anythingOnOffer, title);
  addStep(plan, DialogStepKind::kSetCaption, 0, title);
  char currentVersion[kCurrentVersionWidth];
  composeCurrentVersion(record, currentVersion);
  setText(plan, IDC_CURRENT_VERSION, currentVersion);
  planUpdatePart(record, plan);
  planUpgradePart(record, plan);
  planButtons(record, anythingOnOffer, plan);
  addStep(plan, DialogStepKind::kShowDialog, 0, "");
}

CheckOutcome chooseOutcome(UpdateStatus status, bool userInitiated, bool anythingOnOffer) {
  if (status != kStatusAnswered) {
    return userInitiated ? CheckOutcome::kReportAndClose : CheckOutcome::kCloseUnseen;
  }
  if (!anythingOnOffer && !userInitiated) return CheckOutcome::kCloseUnseen;
  return CheckOutcome::kPresent;
}
