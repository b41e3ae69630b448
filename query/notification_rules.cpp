#include "query/notification_rules.h"

namespace {

struct NotificationLine {
  uint32_t notification;
  const char* line;
};

// WinINet's INTERNET_STATUS_* codes and what each prints.
constexpr NotificationLine kNotificationLines[] = {
    {10, "Status: Resolving Name\n"},
    {11, "Status: Name Resolved\n"},
    {20, "Status: Connecting to Server\n"},
    {21, "Status: Connected to Server\n"},
    {30, "Status: Sending request\n"},
    {31, "Status: Request sent\n"},
    {40, "Status: Receiving Response\n"},
    {41, "Status: Response Received \n"},
    {50, "Status: Closing Connection\n"},
    {51, "Status: Connection Closed\n"},
    {60, nullptr},  // handle created: not printed
    {70, "Status: Handle Closing\n"},
    {80, "Status: Detecting Proxy\n"},
    {100, nullptr},  // request complete: handled, not printed
    {110, "Status: Redirect\n"},
    {120, "Status: Intermediate response\n"},
    {200, "Status: State Change\n"},
    {320, "Status: Cookie found and will be sent with request\n"},
    {321, "Status: Cookie Received\n"},
    {325, "Status: Received P3P header\n"},
    {327, "Status: Cookie History\n"},
};

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isSchemeChar(char c) {
  return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the leading run that could be a scheme (a letter, then letters, digits, "+", "-",
// "."), looking at most at length bytes.
std::size_t schemeRun(const char* target, std::size_t length) {
  if (!isAsciiLetter(target[0])) return 0;
  std::size_t n = 1;
  while (n < length && isSchemeChar(target[n])) ++n;
  return n;
}

}  // namespace

const char* statusLine(uint32_t notification) {
  for (const NotificationLine& entry : kNotificationLines) {
    if (entry.notification == notification) return entry.line;
  }
  return "Status: Unknown\n";
}

bool isSecureRedirectTarget(const char* target, std::size_t length) {
  if (target == nullptr || length == 0 || target[0] == '\0') return false;
  std::size_t run = schemeRun(target, length);
  if (run == length) return false;  // cut off before it shows whether a scheme is there
  if (run == 0 || target[run] != ':') return true;  // relative: stays on the current scheme
  const char secure[] = "https://";
  if (run != 5 || length < 8) return false;
  for (std::size_t i = 0; i < 8; ++i) {
    if (lowerAscii(target[i]) != secure[i]) return false;
  }
  return true;
}
