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

// A key that cannot be opened, a missing value and a value of another type (a string "0") all
// read as not set.
PolicyValue readPolicyValue(HKEY root) {
  DWORD value = 0;
  DWORD size = sizeof value;
  LONG result = RegGetValueW(root, kPolicyKey, kPolicyValueName, RRF_RT_REG_DWORD, nullptr, &value, &size);
  return {result == ERROR_SUCCESS, value};
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
