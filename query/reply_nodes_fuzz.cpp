// Fuzzes the reply node handling with documents tokenised from arbitrary bytes: one node per
// line, "<name" an element, "#..." a node of another kind, anything else a text value.
// A 0x01 byte takes the next two bytes as one wide unit, so units above U+00FF occur too.
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/check_record.h"
#include "query/reply_nodes.h"

namespace {

bool terminatedWithin(const char* field, std::size_t width) { return memchr(field, 0, width) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckRecord record;
  std::memset(&record, 0x5A, sizeof record);
  // The reply fields start terminated; everything else must stay as it is.
  record.newVersion[0] = record.installerUrl[0] = record.upgradeName[0] = record.upgradePageUrl[0] = '\0';
  static CheckRecord before;
  std::memcpy(&before, &record, sizeof record);

  ReplyParse parse;
  beginReplyParse(parse);
  std::vector<wchar_t> unit;
  size_t i = 0;
  while (i <= size) {
    unit.clear();
    const size_t start = i;
    while (i < size && data[i] != '\n') {
      if (data[i] == 0x01 && i + 2 < size) {
        unit.push_back(static_cast<wchar_t>((data[i + 1] << 8) | data[i + 2]));
        i += 3;
      } else {
        unit.push_back(static_cast<wchar_t>(data[i]));
        i += 1;
      }
    }
    ++i;
    unit.push_back(L'\0');
    const auto count = static_cast<uint32_t>(unit.size() - 1);
    if (start < size && data[start] == '<') {
      feedElementName(parse, unit.data() + 1, count - 1);
    } else if (start < size && data[start] == '#') {
      // another node type: nothing to do
    } else {
      feedTextValue(parse, record, unit.data(), count);
    }
  }

  if (parse.outcome != -3 && parse.outcome != 0 && parse.outcome != 1 && parse.outcome != 2) __builtin_trap();
  if (!terminatedWithin(record.newVersion, sizeof record.newVersion)) __builtin_trap();
  if (!terminatedWithin(record.installerUrl, sizeof record.installerUrl)) __builtin_trap();
  if (!terminatedWithin(record.upgradeName, sizeof record.upgradeName)) __builtin_trap();
  if (!terminatedWithin(record.upgradePageUrl, sizeof record.upgradePageUrl)) __builtin_trap();
  std::memcpy(before.newVersion, record.newVersion, sizeof record.newVersion);
  std::memcpy(before.installerUrl, record.installerUrl, sizeof record.installerUrl);
  std::memcpy(before.upgradeName, record.upgradeName, sizeof record.upgradeName);
  std::memcpy(before.upgradePageUrl, record.upgradePageUrl, sizeof record.upgradePageUrl);
  if (std::memcmp(&before, &record, sizeof record) != 0) __builtin_trap();
  return 0;
}
