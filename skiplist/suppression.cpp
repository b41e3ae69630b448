#include "skiplist/suppression.h"

#include <initializer_list>

#include "app/check_record.h"
#include "skiplist/list_files.h"
#include "skiplist/session_lock.h"

namespace {

// A temporary file older than this is left from a save that was killed before its replace.
constexpr uint32_t kStaleTempSeconds = 60;

uint32_t timeLeft(uint64_t deadline) {
  uint64_t now = monotonicMilliseconds();
  return now < deadline ? static_cast<uint32_t>(deadline - now) : 0;
}

// Another checker may have saved the list since the decision loaded it: start from the file
// as it is now. A file that cannot be read whole is left alone (load clears the path).
bool recordIn(SkipList& list, bool offered, const char* value, uint64_t deadline) {
  list.load();
  if (offered) list.set(value);
  return list.save(timeLeft(deadline));
}

}  // namespace

int recordSuppression() {
  const uint64_t deadline = monotonicMilliseconds() + kSuppressionWaitBudget;
  SessionLock lock = 0;
  int32_t taken = takeSessionLock(kSkipListsLockName, kSuppressionWaitBudget, &lock);
  // Under the lock no other save is under way: what a killed one left can go.
  if (taken == kLockTaken) {
    for (const SkipList* list : {&checkRecord.updateSkipList, &checkRecord.upgradeSkipList}) {
      if (list->path[0] != '\0') {
        removeStaleTempFiles(list->path, kStaleTempSeconds);
        break;
      }
    }
  }
  int unsaved = 0;
  if (!recordIn(checkRecord.updateSkipList, checkRecord.updateAvailable, checkRecord.newVersion, deadline)) {
    unsaved |= kUpdateListUnsaved;
  }
  if (!recordIn(checkRecord.upgradeSkipList, checkRecord.upgradeAvailable, checkRecord.upgradeName, deadline)) {
    unsaved |= kUpgradeListUnsaved;
  }
  if (taken == kLockTaken) releaseSessionLock(lock);
  return unsaved;
}
