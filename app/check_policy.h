#pragma once
// Group Policy over automatic checks: an administrator may turn them off for the machine or for
// a user. The adapter (check_policy_win32.cpp) reads the two values; which one decides is here.
#include <cstdint>

// Whose AutomaticChecks value turns automatic checks off, if anyone's.
enum class PolicyScope : uint8_t { kNone, kMachine, kUser };

// One AutomaticChecks value as read: present only when it is a REG_DWORD.
struct PolicyValue {
  bool present;
  uint32_t value;
};

// The machine's value decides whenever it is present, the user's only when it is not; only 0
// turns checks off.
PolicyScope automaticChecksTurnedOffBy(PolicyValue machine, PolicyValue user);
