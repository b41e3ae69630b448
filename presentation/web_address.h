#pragma once
// Which reply addresses may be offered and handed to the shell.

// True only for text that begins with "https://" or "http://" (letters in any case) and holds no
// control character (a byte below 0x20, or 0x7F) and none of the ASCII characters a URI never
// holds (space " < > \ ^ ` { | }). Anything else (file:, UNC or drive paths, script schemes,
// leading blanks, empty or null text) is not a web address.
bool isWebAddress(const char* text);
