#include "skiplist/suppression.h"

#include "app/check_record.h"

namespace {

// The decision's index says where this product's entry is: none (-1), or one to overwrite.
void recordIn(SkipList& list, int32_t index, const char* value) {
  if (index < 0) {
    list.add(value);
  } else if (index < list.count && list.entries != nullptr) {
    copyBounded(list.entries[index].value, value, sizeof list.entries[index].value);
  }
}

}  // namespace

int recordSuppression() {
  int unsaved = 0;
  if (checkRecord.updateAvailable) recordIn(checkRecord.updateSkipList, updateSkipIndex, checkRecord.newVersion);
  if (!checkRecord.updateSkipList.save()) unsaved |= kUpdateListUnsaved;
  if (checkRecord.upgradeAvailable) {
    recordIn(checkRecord.upgradeSkipList, upgradeSkipIndex, checkRecord.upgradeName);
  }
  if (!checkRecord.upgradeSkipList.save()) unsaved |= kUpgradeListUnsaved;
  return unsaved;
}
