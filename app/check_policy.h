#pragma once
// Group Policy over automatic checks: an administrator may turn them off for the machine or for
// a user. The adapter (check_policy_win32.cpp) reads the two values; what counts and which one
// decides is here.
#include <cstdint>

// Whose AutomaticChecks value turns automatic checks off, if anyone's.
enum class PolicyScope : uint8_t { kNone, kMachine, kUser };

// One AutomaticChecks value as read: present only when it is a whole REG_DWORD.
struct PolicyValue {
  bool present;
  uint32_t value;
};

// The registry's number for REG_DWORD (a little-endian 32-bit value).
constexpr uint32_t kRegistryDwordType = 4;

// The value from what the registry holds under the name: its type, its size in bytes and its
// data (read only when size is 4). Anything but a REG_DWORD of exactly four bytes is not set:
// a shorter one would otherwise read as 0 and turn checks off.
PolicyValue policyValueOf(uint32_t type, uint32_t size, const uint8_t* data);

// The machine's value decides whenever it is present, the user's only when it is not; only 0
// turns checks off.
PolicyScope automaticChecksTurnedOffBy(PolicyValue machine, PolicyValue user);
