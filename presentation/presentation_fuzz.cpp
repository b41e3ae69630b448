// Fuzzes the version order, the address check and the dialog plan with reply-like texts.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/check_record.h"
#include "presentation/dialog_texts.h"
#include "presentation/update_decision.h"
#include "presentation/version_order.h"
#include "presentation/web_address.h"

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

void checkOrder(const char* a, const char* b, const char* c) {
  int ab = sign(compareVersions(a, b));
  int bc = sign(compareVersions(b, c));
  int ac = sign(compareVersions(a, c));
  if (compareVersions(a, a) != 0) __builtin_trap();
  if (ab != -sign(compareVersions(b, a))) __builtin_trap();
  if (ab <= 0 && bc <= 0 && ac != (ab + bc < 0 ? -1 : 0)) __builtin_trap();
  if (ab == 0 && ac != bc) __builtin_trap();
}

void checkPlan(const std::string (&parts)[3], bool userInitiated) {
  CheckRecord record{};
  copyBounded(record.displayName, parts[0].c_str(), sizeof record.displayName);
  copyBounded(record.softwareLabel, parts[1].c_str(), sizeof record.softwareLabel);
  copyBounded(record.currentVersion, parts[1].c_str(), sizeof record.currentVersion);
  copyBounded(record.newVersion, parts[2].c_str(), sizeof record.newVersion);
  copyBounded(record.installerUrl, parts[0].c_str(), sizeof record.installerUrl);
  copyBounded(record.upgradeName, parts[2].c_str(), sizeof record.upgradeName);
  copyBounded(record.upgradePageUrl, parts[1].c_str(), sizeof record.upgradePageUrl);
  record.userInitiated = userInitiated;
  bool offered = decideOffers(record);  // counts are 0: no list is searched
  if (record.updateAvailable && !isWebAddress(record.installerUrl)) __builtin_trap();
  if (record.upgradeAvailable && !isWebAddress(record.upgradePageUrl)) __builtin_trap();
  DialogPlan plan;
  planDialog(record, offered, plan);
  if (plan.count == 0 || plan.count > kMaxDialogSteps) __builtin_trap();
  if (plan.steps[plan.count - 1].kind != DialogStepKind::kShowDialog) __builtin_trap();
  for (std::size_t i = 0; i < plan.count; ++i) {
    if (memchr(plan.steps[i].text, 0, kStepTextWidth) == nullptr) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Up to three texts, separated by NUL bytes.
  std::string parts[3];
  std::size_t part = 0;
  for (std::size_t i = 0; i < size && part < 3; ++i) {
    if (data[i] == 0) {
      ++part;
    } else {
      parts[part] += static_cast<char>(data[i]);
    }
  }
  checkOrder(parts[0].c_str(), parts[1].c_str(), parts[2].c_str());
  for (const std::string& text : parts) isWebAddress(text.c_str());
  checkPlan(parts, false);
  checkPlan(parts, true);
  return 0;
}
