#pragma once
// Which way a web address from the reply reaches a browser. A browser inherits the rights of
// whoever starts it: an elevated checker (started by an audio host run as administrator) must not
// start one itself, or every page and the installer it downloads would run with those rights.

#include <cstddef>

// The rights of the checker's own process, as its token tells them.
enum class Elevation { kLimited, kElevated, kUnknown };

enum class AddressOutcome {
  kNotWebAddress,    // nothing opened: only web addresses go anywhere
  kOpenedHere,       // the checker asked the shell itself
  kHandedToDesktop,  // the desktop's shell took it and opens it with the user's normal rights
  kUserTold,         // nobody could open it with normal rights: the user was shown the address
};

// Only a process known to be limited opens an address itself; a token that cannot be read
// counts as elevated.
bool opensAddressItself(Elevation elevation);

// What became of a web address, given the process's elevation and whether the desktop's shell
// took the address (asked only when the process does not open it itself).
AddressOutcome addressOutcome(Elevation elevation, bool desktopShellTookIt);

constexpr std::size_t kNotOpenedTextWidth = 640;  // bytes, the terminating NUL included

// The message that tells the user an address was not opened, with the address on a line of its
// own so that it can be copied; cut to fit.
void composeNotOpenedText(const char* address, char (&out)[kNotOpenedTextWidth]);
