#include "app/check_policy_win32.h"

#include <windows.h>

#include "app/check_policy.h"
#include "presentation/debug_lines.h"
#include "presentation/debug_output_win32.h"

namespace {

// Where the administrative template (policy/CorvaneUpdateChecker.admx) puts the value, under
// HKEY_LOCAL_MACHINE for the machine and HKEY_CURRENT_USER for a user.
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Corvane\\UpdateChecker";
constexpr wchar_t kPolicyValueName[] = L"AutomaticChecks";

static_assert(REG_DWORD == kRegistryDwordType);

// A key that cannot be opened, a missing value and a value too long for the buffer
// (ERROR_MORE_DATA) all read as not set; the rule judges type and size of the rest.
PolicyValue readPolicyValue(HKEY root) {
  uint8_t data[4] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof data;
  LONG result = RegGetValueW(root, kPolicyKey, kPolicyValueName, RRF_RT_ANY, &type, data, &size);
  if (result != ERROR_SUCCESS) return {false, 0};
  return policyValueOf(type, size, data);
}

}  // namespace

bool automaticChecksTurnedOff(const CheckRecord& record) {
  PolicyScope scope =
      automaticChecksTurnedOffBy(readPolicyValue(HKEY_LOCAL_MACHINE), readPolicyValue(HKEY_CURRENT_USER));
  if (scope == PolicyScope::kNone) return false;
  char line[kDebugLineWidth];
  composePolicyLine(record, scope, line);
  writeDebugLine(line);
  return true;
}
