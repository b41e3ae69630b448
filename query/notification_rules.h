#pragma once
// Rules behind WinINet's notifications (the INTERNET_STATUS_* codes its status callback gets):
// the progress line each one prints, and which redirect targets the query may follow.
#include <cstddef>
#include <cstdint>

// The "Status: " line for a notification code, or nullptr for those that print nothing.
const char* statusLine(uint32_t notification);

// True when a redirect keeps the request on TLS: an "https://" address, or a relative
// one, which stays on the current scheme. Plain HTTP, other schemes and nothing are refused.
// Looks at most at length bytes of target and stops at a zero byte.
bool isSecureRedirectTarget(const char* target, std::size_t length);
