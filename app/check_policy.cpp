#include "app/check_policy.h"

PolicyScope automaticChecksTurnedOffBy(PolicyValue machine, PolicyValue user) {
  if (machine.present) return machine.value == 0 ? PolicyScope::kMachine : PolicyScope::kNone;
  if (user.present) return user.value == 0 ? PolicyScope::kUser : PolicyScope::kNone;
  return PolicyScope::kNone;
}
