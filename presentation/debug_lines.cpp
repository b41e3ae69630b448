#include "presentation/debug_lines.h"

#include <charconv>
#include <cstring>

#include "app/check_record.h"
#include "resources/resource.h"

namespace {

// Room is kept for the closing line feed, so a cut line still ends as a line.
constexpr std::size_t kTextWidth = kDebugLineWidth - 1;

void add(char* out, const char* text) { appendBounded(out, text, kTextWidth); }

// Launch fields and reply values may hold anything: control characters become '?' so that
// a line stays one line.
void addShown(char* out, const char* text) {
  std::size_t used = strnlen(out, kTextWidth);
  for (; *text != '\0' && used + 1 < kTextWidth; ++text, ++used) {
    unsigned char c = static_cast<unsigned char>(*text);
    out[used] = (c < 0x20 || c == 0x7F) ? '?' : *text;
  }
  out[used] = '\0';
}

void addQuoted(char* out, const char* text) {
  add(out, "\"");
  addShown(out, text);
  add(out, "\"");
}

void addNumber(char* out, int32_t number) {
  char digits[12] = {};
  std::to_chars(digits, digits + sizeof digits - 1, number);
  add(out, digits);
}

// "automatic check of "Tone Lab" 1.0.0: "
void startLine(char* out, const CheckRecord& record) {
  out[0] = '\0';
  add(out, "Corvane Update Checker: ");
  add(out, record.userInitiated ? "user-initiated check of " : "automatic check of ");
  addQuoted(out, record.displayName);
  add(out, " ");
  addShown(out, record.currentVersion);
  add(out, ": ");
}

void endLine(char* out) { appendBounded(out, "\n", kDebugLineWidth); }

const char* failureText(UpdateStatus status) {
  switch (status) {
    case kStatusBadData: return "the server reports bad data (";
    case kStatusUnsupported: return "the server does not support this product (";
    case kStatusInvalidArguments: return "invalid arguments (";
    case kStatusNoConnection: return "request failed (";
    case kStatusUnreadableReply: return "reply missing or unreadable (";
    default: return "check failed (";
  }
}

const char* reasonText(OfferReason reason) {
  switch (reason) {
    case OfferReason::kNoneOnOffer: return "none on offer";
    case OfferReason::kNotNewer: return "not newer";
    case OfferReason::kDeclinedBefore: return "declined before";
    case OfferReason::kNotWebAddress: return "not a web address";
    default: return "undecided";
  }
}

// "update 1.2.0 offered", "upgrade "Tone Lab Studio" withheld (declined before)".
void addOffer(char* out, const char* kind, const char* name, bool quoted, OfferReason reason) {
  add(out, kind);
  if (name[0] != '\0') {
    add(out, " ");
    if (quoted) {
      addQuoted(out, name);
    } else {
      addShown(out, name);
    }
  }
  if (reason == OfferReason::kOffered) {
    add(out, " offered");
    return;
  }
  add(out, " withheld (");
  add(out, reasonText(reason));
  add(out, ")");
}

const char* shownText(CheckOutcome outcome, bool shown, bool anythingOnOffer) {
  switch (outcome) {
    case CheckOutcome::kCloseUnseen: return "nothing shown (automatic)";
    case CheckOutcome::kReportAndClose: return shown ? "error message shown" : "error message could not be shown";
    default:
      if (!shown) return "dialog could not be shown; closed unseen";
      return anythingOnOffer ? "dialog shown" : "dialog shown as up to date";
  }
}

// Only web addresses are opened; the line says which it was, and who opened it with which rights.
void addOpened(char* out, const char* what, const char* address, const AddressResult& opened) {
  if (opened.outcome == AddressOutcome::kNotWebAddress) {
    add(out, "nothing opened (");
    add(out, what);
    add(out, " not a web address)");
    return;
  }
  add(out, what);
  add(out, " ");
  addShown(out, address);
  bool rightsUnread = opened.elevation == Elevation::kUnknown;
  switch (opened.outcome) {
    case AddressOutcome::kOpenedHere:
      add(out, " opened by the checker");
      return;
    case AddressOutcome::kOpenHereFailed:
      add(out, " not opened: the shell could not open it (error ");
      addNumber(out, static_cast<int32_t>(opened.error));
      add(out, ")");
      return;
    case AddressOutcome::kHandedToDesktop:
      add(out, rightsUnread ? " handed to the desktop shell (the checker's rights could not be read)"
                            : " handed to the desktop shell (the checker is elevated)");
      return;
    case AddressOutcome::kNoBrowser:
      add(out, " not opened (no web browser is set up)");
      break;
    case AddressOutcome::kTimedOut:
      add(out, " not opened (the shell did not answer in time)");
      break;
    default:
      add(out, rightsUnread ? " not opened (the checker's rights could not be read and the desktop shell could "
                              "not be reached)"
                            : " not opened (the checker is elevated and the desktop shell could not be reached)");
      break;
  }
  add(out, "; the address was shown to the user");
}

void addRecorded(char* out, const CheckRecord& record) {
  if (!record.updateAvailable && !record.upgradeAvailable) {
    add(out, "nothing to record");
    return;
  }
  if (record.updateAvailable) {
    add(out, "update ");
    addShown(out, record.newVersion);
  }
  if (record.updateAvailable && record.upgradeAvailable) add(out, " and ");
  if (record.upgradeAvailable) {
    add(out, "upgrade ");
    addQuoted(out, record.upgradeName);
  }
  add(out, " recorded under ");
  addQuoted(out, record.skipKey);
}

}  // namespace

void composeCheckLine(const CheckRecord& record, UpdateStatus status, CheckOutcome outcome, bool shown,
                      char (&out)[kDebugLineWidth]) {
  startLine(out, record);
  if (status != kStatusAnswered) {
    add(out, failureText(status));
    addNumber(out, status);
    add(out, ")");
  } else {
    addOffer(out, "update", record.newVersion, false, record.updateReason);
    add(out, ", ");
    addOffer(out, "upgrade", record.upgradeName, true, record.upgradeReason);
  }
  add(out, "; ");
  add(out, shownText(outcome, shown, record.updateAvailable || record.upgradeAvailable));
  endLine(out);
}

bool composeCommandLine(const CheckRecord& record, int commandId, const AddressResult& opened,
                        char (&out)[kDebugLineWidth]) {
  startLine(out, record);
  switch (commandId) {
    case IDC_DOWNLOAD:
      add(out, "download pressed: notice shown, then ");
      addOpened(out, "installer", record.installerUrl, opened);
      break;
    case IDC_UPGRADE:
      add(out, "upgrade pressed: ");
      addOpened(out, "upgrade page", record.upgradePageUrl, opened);
      break;
    case IDC_DONT_REMIND:
      add(out, "don't-remind pressed: ");
      addRecorded(out, record);
      break;
    case IDCANCEL:
      add(out, "close pressed: nothing opened or recorded");
      break;
    default:
      out[0] = '\0';
      return false;
  }
  endLine(out);
  return true;
}

void composeBlockReasonLine(const CheckRecord& record, unsigned long error, char (&out)[kDebugLineWidth]) {
  startLine(out, record);
  add(out, "log-off may cut the button's work short: Windows refused its reason (error ");
  addNumber(out, static_cast<int32_t>(error));
  add(out, ")");
  endLine(out);
}

void composeSaveFailureLine(const char* fileName, char (&out)[kDebugLineWidth]) {
  out[0] = '\0';
  add(out, "Corvane Update Checker: saving ");
  add(out, fileName);
  add(out, " failed; the file keeps what it held before");
  endLine(out);
}

void composePolicyLine(const CheckRecord& record, PolicyScope scope, char (&out)[kDebugLineWidth]) {
  startLine(out, record);
  add(out, "automatic checks are turned off by policy (the ");
  add(out, scope == PolicyScope::kMachine ? "machine's" : "user's");
  add(out, " AutomaticChecks value is 0); nothing sent or shown");
  endLine(out);
}
