#pragma once
// "Don't remind me": stores what is on offer under the product's key in both skip lists.

// Session-wide lock around the read-change-write of both lists, so that checkers saving at
// the same time never drop each other's choices.
constexpr char kSkipListsLockName[] = "Local\\CorvaneUpdateChecker.SkipLists";
// The longest a press waits in all, for the lock and then for list files that other processes
// hold open; past it the lock is done without and a held list is left as it was.
constexpr unsigned kSuppressionWaitBudget = 10000;

// Under the lock (removing temporary files a killed save left), for the update list and then the upgrade list: reads the file again, gives
// the product's entry the offered version (upgrade name) when an update (upgrade) is on
// offer, and saves that list (always). Returns the lists whose save failed
// (kUpdateListUnsaved, kUpgradeListUnsaved), 0 when both were saved.
constexpr int kUpdateListUnsaved = 1;
constexpr int kUpgradeListUnsaved = 2;
int recordSuppression();
