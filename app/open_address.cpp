#include "app/open_address.h"

#include "app/check_record.h"

bool opensAddressItself(Elevation elevation) { return elevation == Elevation::kLimited; }

AddressOutcome addressOutcome(Elevation elevation, bool desktopShellTookIt) {
  if (opensAddressItself(elevation)) return AddressOutcome::kOpenedHere;
  return desktopShellTookIt ? AddressOutcome::kHandedToDesktop : AddressOutcome::kUserTold;
}

void composeNotOpenedText(const char* address, char (&out)[kNotOpenedTextWidth]) {
  out[0] = '\0';
  appendBounded(out, "This web address could not be opened:\r\n\r\n", sizeof out);
  appendBounded(out, address, sizeof out);
  appendBounded(out,
                "\r\n\r\nThe Update Checker runs with administrator rights, which a browser it started would "
                "have too. To open the address in your own browser, press Ctrl+C to copy this message, then "
                "paste the address into the browser.",
                sizeof out);
}
