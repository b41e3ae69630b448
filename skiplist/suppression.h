#pragma once
// "Don't remind me": stores what is on offer under the product's key in both skip lists.

// Adds or overwrites the update list's entry when an update is on offer and saves that list
// (always), then does the same with the upgrade list and the upgrade name.
// Returns the lists whose save failed (kUpdateListUnsaved, kUpgradeListUnsaved), 0 when both
// were saved.
constexpr int kUpdateListUnsaved = 1;
constexpr int kUpgradeListUnsaved = 2;
int recordSuppression();
