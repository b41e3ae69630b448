#include "presentation/update_decision.h"

#include <cstring>

#include "app/check_record.h"
#include "presentation/version_order.h"
#include "presentation/web_address.h"

void buildSkipKey(CheckRecord& record) {
  copyBounded(record.skipKey, record.displayName, kSkipKeyWidth);
  appendBounded(record.skipKey, "|", kSkipKeyWidth);
  appendBounded(record.skipKey, record.softwareLabel, kSkipKeyWidth);
}

void loadSkipLists(CheckRecord& record) {
  record.updateSkipCount = record.updateSkipList.locateAndLoad(kUpdateSkipFileName);
  record.upgradeSkipCount = record.upgradeSkipList.locateAndLoad(kUpgradeSkipFileName);
}

void decideUpdate(CheckRecord& record) {
  record.updateAvailable = false;
  // An address the shell must not open counts as no address at all.
  if (record.newVersion[0] == '\0' || !isWebAddress(record.installerUrl)) return;
  if (compareVersions(record.newVersion, record.currentVersion) <= 0) return;
  record.updateAvailable = true;
  if (record.updateSkipCount <= 0) return;

  char declinedVersion[kSkipKeyWidth] = {};
  updateSkipIndex = record.updateSkipList.find(declinedVersion);
  // A user who asks for the check sees the offer anyway; the index is still kept so that a
  // new "don't remind me" overwrites the old entry.
  if (updateSkipIndex >= 0 && !record.userInitiated &&
      compareVersions(record.newVersion, declinedVersion) <= 0) {
    record.updateAvailable = false;
  }
}

void decideUpgrade(CheckRecord& record) {
  record.upgradeAvailable = false;
  if (record.upgradeName[0] == '\0' || !isWebAddress(record.upgradePageUrl)) return;
  record.upgradeAvailable = true;
  if (record.upgradeSkipCount <= 0) return;

  char declinedName[kSkipKeyWidth] = {};
  upgradeSkipIndex = record.upgradeSkipList.find(declinedName);
  if (upgradeSkipIndex >= 0 && !record.userInitiated &&
      std::strcmp(record.upgradeName, declinedName) == 0) {
    record.upgradeAvailable = false;
  }
}

bool decideOffers(CheckRecord& record) {
  decideUpdate(record);
  decideUpgrade(record);
  return record.updateAvailable || record.upgradeAvailable;
}

bool runUpdateDecision(CheckRecord& record) {
  buildSkipKey(record);
  loadSkipLists(record);
  return decideOffers(record);
}
