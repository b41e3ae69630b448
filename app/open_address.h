#pragma once
// Which way a web address from the reply reaches a browser. A browser inherits the rights of
// whoever starts it: an elevated checker (started by an audio host run as administrator) must not
// start one itself, or every page and the installer it downloads would run with those rights.

#include <cstddef>
#include <cstdint>

// The rights of the checker's own process, as its token tells them.
enum class Elevation { kLimited, kElevated, kUnknown };

enum class AddressOutcome {
  kNotWebAddress,    // nothing opened: only web addresses go anywhere
  kOpenedHere,       // the checker's own shell call took it
  kOpenHereFailed,   // the checker's own shell call failed; the shell has told the user itself
  kHandedToDesktop,  // the desktop's shell took it and opens it with the user's normal rights
  kNoDesktopShell,   // the desktop's shell could not be reached
  kNoBrowser,        // no program is set up to open the address's scheme
  kTimedOut,         // the shell did not take it within kAddressHandOffBoundMs
};

struct AddressResult {
  AddressOutcome outcome = AddressOutcome::kNotWebAddress;
  Elevation elevation = Elevation::kLimited;
  uint32_t error = 0;  // the shell's error, for kOpenHereFailed
};

// The longest a button's work waits for the shell to take an address: explorer may hang on a
// dead network drive or a bad extension, and the user would never hear of the address.
constexpr uint32_t kAddressHandOffBoundMs = 10000;

// Only a process known to be limited opens an address itself; a token that cannot be read
// counts as elevated.
bool opensAddressItself(Elevation elevation);

// Nobody opened the address and nobody told the user: the checker shows it.
bool userMustBeTold(AddressOutcome outcome);

constexpr std::size_t kNotOpenedTextWidth = 640;  // bytes, the terminating NUL included

// The message that tells the user an address was not opened and why, with the address on a line
// of its own so that it can be copied; cut to fit.
void composeNotOpenedText(const char* address, const AddressResult& result, char (&out)[kNotOpenedTextWidth]);
