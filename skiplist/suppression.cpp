#include "skiplist/suppression.h"

#include "app/check_record.h"
#include "skiplist/session_lock.h"

namespace {

// Another checker may have saved the list since the decision loaded it: start from the file
// as it is now. A file that cannot be read whole is left alone (load clears the path).
void recordIn(SkipList& list, bool offered, const char* value) {
  list.load();
  if (offered) list.set(value);
  list.save();
}

}  // namespace

void recordSuppression() {
  SessionLock lock = 0;
  int32_t taken = takeSessionLock(kSkipListsLockName, kSkipListsLockWait, &lock);
  recordIn(checkRecord.updateSkipList, checkRecord.updateAvailable, checkRecord.newVersion);
  recordIn(checkRecord.upgradeSkipList, checkRecord.upgradeAvailable, checkRecord.upgradeName);
  if (taken == kLockTaken) releaseSessionLock(lock);
}
