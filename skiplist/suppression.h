#pragma once
// "Don't remind me": stores what is on offer under the product's key in both skip lists.

// Session-wide lock around the read-change-write of both lists, so that checkers saving at
// the same time never drop each other's choices.
constexpr char kSkipListsLockName[] = "Local\\CorvaneUpdateChecker.SkipLists";
// How long to wait for another checker's save before going on without the lock.
constexpr unsigned kSkipListsLockWait = 5000;

// Under the lock, for the update list and then the upgrade list: reads the file again, gives
// the product's entry the offered version (upgrade name) when an update (upgrade) is on
// offer, and saves that list (always). Returns the lists whose save failed
// (kUpdateListUnsaved, kUpgradeListUnsaved), 0 when both were saved.
constexpr int kUpdateListUnsaved = 1;
constexpr int kUpgradeListUnsaved = 2;
int recordSuppression();
