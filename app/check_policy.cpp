#include "app/check_policy.h"

PolicyValue policyValueOf(uint32_t type, uint32_t size, const uint8_t* data) {
  if (type != kRegistryDwordType || size != 4 || data == nullptr) return {false, 0};
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | data[i];  // little-endian
  return {true, value};
}

PolicyScope automaticChecksTurnedOffBy(PolicyValue machine, PolicyValue user) {
  if (machine.present) return machine.value == 0 ? PolicyScope::kMachine : PolicyScope::kNone;
  if (user.present) return user.value == 0 ? PolicyScope::kUser : PolicyScope::kNone;
  return PolicyScope::kNone;
}
