#pragma once
// One automatic check per product in the user's session: several instances of a plugin may
// start the same check at once, and one dialog (and one request) is enough.
#include <cstddef>

constexpr std::size_t kProductLockNameWidth = 128;

// "Local\CorvaneUpdateChecker.Check." and each byte of productName as two hex digits: a lock
// name may hold no backslash, and no two product names may share one.
void productLockName(const char* productName, char* out);

// Takes the product's lock for the rest of the process. False only when another process holds
// it; a lock that cannot be made lets the check run.
bool claimProductCheck(const char* productName);
