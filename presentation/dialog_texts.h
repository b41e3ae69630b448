#pragma once
// The texts of the result dialog and of the error box, and the plan of how to fill the dialog.
// Each text is composed in a buffer of its own width and cut after width - 1 characters.
#include <cstddef>
#include <cstdint>

#include "query/update_status.h"

struct CheckRecord;

constexpr std::size_t kTitleWidth = 64;
constexpr std::size_t kCurrentVersionWidth = 32;
constexpr std::size_t kHeadlineWidth = 64;
constexpr std::size_t kNewVersionWidth = 48;
constexpr std::size_t kDownloadTextWidth = 48;
constexpr std::size_t kUpgradeHeadlineWidth = 64;
constexpr std::size_t kUpgradeTextWidth = 64;
constexpr std::size_t kDontRemindWidth = 48;
constexpr std::size_t kCloseTextWidth = 50;
constexpr std::size_t kErrorMessageWidth = 128;

constexpr char kErrorCaption[] = "Update Checker Error";

void composeTitle(const CheckRecord& record, bool anythingOnOffer, char (&out)[kTitleWidth]);
void composeCurrentVersion(const CheckRecord& record, char (&out)[kCurrentVersionWidth]);
void composeUpdateHeadline(const CheckRecord& record, char (&out)[kHeadlineWidth]);
void composeUpToDateHeadline(const CheckRecord& record, char (&out)[kHeadlineWidth]);
void composeNewVersion(const CheckRecord& record, char (&out)[kNewVersionWidth]);
void composeDownloadText(const CheckRecord& record, char (&out)[kDownloadTextWidth]);
void composeUpgradeHeadline(const CheckRecord& record, char (&out)[kUpgradeHeadlineWidth]);
void composeUpgradeText(const CheckRecord& record, char (&out)[kUpgradeTextWidth]);
void composeDontRemindText(const CheckRecord& record, char (&out)[kDontRemindWidth]);
void composeCloseText(char (&out)[kCloseTextWidth]);
void composeErrorMessage(UpdateStatus status, char (&out)[kErrorMessageWidth]);

// One thing to do to the dialog. Steps carry their text, so a plan may be copied.
enum class DialogStepKind : uint8_t {
  kSetCaption,   // the dialog's title
  kSetText,      // the text of control controlId
  kHide,         // hide control controlId
  kShowDialog,   // show the dialog; always the last step
};

constexpr std::size_t kStepTextWidth = 64;  // the widest dialog text
constexpr std::size_t kMaxDialogSteps = 16;

struct DialogStep {
  DialogStepKind kind;
  int controlId;               // 0 for the caption and for showing the dialog
  char text[kStepTextWidth];   // empty for hiding and showing
};

struct DialogPlan {
  DialogStep steps[kMaxDialogSteps];
  std::size_t count;
};

// The steps that fill and show the dialog for an answered check, in the order they are applied:
// caption, current version, update part, upgrade part, don't-remind or close button, show.
// Called when something is on offer, or when a user-initiated check found nothing.
void planDialog(const CheckRecord& record, bool anythingOnOffer, DialogPlan& plan);

// What the completion handler does once the status and the decision are known.
enum class CheckOutcome : uint8_t {
  kCloseUnseen,     // automatic check that failed or found nothing
  kReportAndClose,  // user-initiated check that failed: error box, then close
  kPresent,         // fill and show the dialog
};

CheckOutcome chooseOutcome(UpdateStatus status, bool userInitiated, bool anythingOnOffer);
