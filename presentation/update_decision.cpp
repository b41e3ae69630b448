#include "presentation/update_decision.h"

#include <cstring>

#include "app/check_record.h"
#include "presentation/version_order.h"
#include "presentation/web_address.h"

namespace {

// Both halves of an offer must be there; an address the shell must not open counts as none.
OfferReason offerShape(const char* name, const char* address) {
  if (name[0] == '\0' || address[0] == '\0') return OfferReason::kNoneOnOffer;
  return isWebAddress(address) ? OfferReason::kOffered : OfferReason::kNotWebAddress;
}

}  // namespace

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
  record.updateReason = offerShape(record.newVersion, record.installerUrl);
  if (record.updateReason != OfferReason::kOffered) return;
  if (compareVersions(record.newVersion, record.currentVersion) <= 0) {
    record.updateReason = OfferReason::kNotNewer;
    return;
  }
  record.updateAvailable = true;
  if (record.updateSkipCount <= 0) return;

  char declinedVersion[kSkipKeyWidth] = {};
  updateSkipIndex = record.updateSkipList.find(declinedVersion);
  // A user who asks for the check sees the offer anyway. Past this test the index is not used:
  // a "don't remind me" save finds the entry again by its key.
  if (updateSkipIndex >= 0 && !record.userInitiated &&
      compareVersions(record.newVersion, declinedVersion) <= 0) {
    record.updateAvailable = false;
    record.updateReason = OfferReason::kDeclinedBefore;
  }
}

void decideUpgrade(CheckRecord& record) {
  record.upgradeAvailable = false;
  record.upgradeReason = offerShape(record.upgradeName, record.upgradePageUrl);
  if (record.upgradeReason != OfferReason::kOffered) return;
  record.upgradeAvailable = true;
  if (record.upgradeSkipCount <= 0) return;

  char declinedName[kSkipKeyWidth] = {};
  upgradeSkipIndex = record.upgradeSkipList.find(declinedName);
  if (upgradeSkipIndex >= 0 && !record.userInitiated &&
      std::strcmp(record.upgradeName, declinedName) == 0) {
    record.upgradeAvailable = false;
    record.upgradeReason = OfferReason::kDeclinedBefore;
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
