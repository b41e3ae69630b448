#include "app/open_address.h"

#include "app/check_record.h"

bool opensAddressItself(Elevation elevation) { return elevation == Elevation::kLimited; }

bool userMustBeTold(AddressOutcome outcome) {
  return outcome == AddressOutcome::kNoDesktopShell || outcome == AddressOutcome::kNoBrowser ||
         outcome == AddressOutcome::kTimedOut;
}

namespace {

const char* whyNotOpened(const AddressResult& result) {
  switch (result.outcome) {
    case AddressOutcome::kNoBrowser:
      return "No web browser is set up to open it.";
    case AddressOutcome::kTimedOut:
      return "Windows did not open it in time.";
    default:
      break;
  }
  if (result.elevation == Elevation::kUnknown) {
    return "The Update Checker could not read its own rights, so it did not open the address itself: a "
           "browser it started might have administrator rights.";
  }
  return "The Update Checker runs with administrator rights, which a browser it started would have too.";
}

}  // namespace

void composeNotOpenedText(const char* address, const AddressResult& result, char (&out)[kNotOpenedTextWidth]) {
  out[0] = '\0';
  appendBounded(out, "This web address could not be opened:\r\n\r\n", sizeof out);
  appendBounded(out, address, sizeof out);
  appendBounded(out, "\r\n\r\n", sizeof out);
  appendBounded(out, whyNotOpened(result), sizeof out);
  appendBounded(out,
                " To open the address yourself, press Ctrl+C to copy this message, then paste the address into "
                "a web browser.",
                sizeof out);
}
