#include "app/product_lock.h"

#include <cstring>

#include "app/check_record.h"
#include "skiplist/session_lock.h"

void productLockName(const char* productName, char* out) {
  static const char kHex[] = "0123456789ABCDEF";
  copyBounded(out, "Local\\CorvaneUpdateChecker.Check.", kProductLockNameWidth);
  std::size_t used = std::strlen(out);
  for (const char* p = productName; *p != '\0' && used + 2 < kProductLockNameWidth; ++p) {
    unsigned char byte = static_cast<unsigned char>(*p);
    out[used++] = kHex[byte >> 4];
    out[used++] = kHex[byte & 15];
  }
  out[used] = '\0';
}

bool claimProductCheck(const char* productName) {
  char name[kProductLockNameWidth];
  productLockName(productName, name);
  SessionLock lock = 0;
  // Never released: the lock is the process's until it ends.
  return takeSessionLock(name, 0, &lock) != kLockBusy;
}
