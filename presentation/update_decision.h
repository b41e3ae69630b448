#pragma once
// Whether an update and an upgrade are on offer after a check that got an answer.
//
// The skip lists search by the global checkRecord's skipKey, so these functions are called with
// that record. They write updateAvailable, upgradeAvailable with the reason for each, skipKey,
// both skip counts and the process-wide updateSkipIndex and upgradeSkipIndex (which keep -1
// where no lookup is made; read only here, to tell whether the product has an entry).
#include <cstddef>

struct CheckRecord;

constexpr std::size_t kSkipKeyWidth = 48;
constexpr char kUpdateSkipFileName[] = "SkippedUpdates.txt";
constexpr char kUpgradeSkipFileName[] = "SkippedUpgrades.txt";

// skipKey = displayName "|" softwareLabel, at most 47 characters.
void buildSkipKey(CheckRecord& record);

// Locates and loads the update list, then the upgrade list, and keeps their counts.
void loadSkipLists(CheckRecord& record);

// Sets updateAvailable: a newer version with a web installer address, unless an automatic
// check finds a declined version in the update list that is not older than the offer.
void decideUpdate(CheckRecord& record);

// Sets upgradeAvailable: an upgrade name with a web page address, unless an automatic check
// finds exactly that name declined in the upgrade list.
void decideUpgrade(CheckRecord& record);

// Both rules over the lists as they are loaded; true when anything is on offer.
bool decideOffers(CheckRecord& record);

// The whole decision after an answered check: key, both lists, both rules.
// True when anything is on offer.
bool runUpdateDecision(CheckRecord& record);
