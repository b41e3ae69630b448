#include "skiplist/suppression.h"

#include "app/check_record.h"
#include "skiplist/session_lock.h"

namespace {

// Another checker may have saved the list since the decision loaded it: start from the file
// as it is now. A file that cannot be read whole is left alone (load clears the path).
bool recordIn(SkipList& list, bool offered, const char* value) {
  list.load();
  if (offered) list.set(value);
  return list.save();
}

}  // namespace

int recordSuppression() {
  SessionLock lock = 0;
  int32_t taken = takeSessionLock(kSkipListsLockName, kSkipListsLockWait, &lock);
  int unsaved = 0;
  if (!recordIn(checkRecord.updateSkipList, checkRecord.updateAvailable, checkRecord.newVersion)) {
    unsaved |= kUpdateListUnsaved;
  }
  if (!recordIn(checkRecord.upgradeSkipList, checkRecord.upgradeAvailable, checkRecord.upgradeName)) {
    unsaved |= kUpgradeListUnsaved;
  }
  if (taken == kLockTaken) releaseSessionLock(lock);
  return unsaved;
}
