#include "query/reply_nodes.h"

#include <cstring>

#include "app/check_record.h"

void beginReplyParse(ReplyParse& parse) {
  parse.outcome = kStatusUnreadableReply;
  parse.current = ReplyElement::None;
}

ReplyElement replyElementNamed(const char* name, uint32_t count) {
  if (count >= kReplyNameArea) return ReplyElement::None;  // did not fit the name area
  if (std::strcmp(name, "Result") == 0) return ReplyElement::Result;
  if (std::strcmp(name, "version") == 0) return ReplyElement::Version;
  if (std::strcmp(name, "installer") == 0) return ReplyElement::Installer;
  if (std::strcmp(name, "upgradeName") == 0) return ReplyElement::UpgradeName;
  if (std::strcmp(name, "upgradePage") == 0) return ReplyElement::UpgradePage;
  return ReplyElement::None;
}

void onReplyElement(ReplyParse& parse, const char* name, uint32_t count) {
  parse.current = replyElementNamed(name, count);
}

namespace {

// The record field an element's text goes into, and its width; null for Result and none.
char* replyField(CheckRecord& record, ReplyElement element, std::size_t& width) {
  switch (element) {
    case ReplyElement::Version: width = sizeof record.newVersion; return record.newVersion;
    case ReplyElement::Installer: width = sizeof record.installerUrl; return record.installerUrl;
    case ReplyElement::UpgradeName: width = sizeof record.upgradeName; return record.upgradeName;
    case ReplyElement::UpgradePage: width = sizeof record.upgradePageUrl; return record.upgradePageUrl;
    case ReplyElement::Result:
    case ReplyElement::None: break;
  }
  return nullptr;
}

}  // namespace

void onReplyText(ReplyParse& parse, CheckRecord& record, const char* value, uint32_t count) {
  if (parse.current == ReplyElement::Result) {
    // Only these three texts count; anything else leaves the last valid one standing.
    if (std::strcmp(value, "0") == 0) parse.outcome = kStatusAnswered;
    if (std::strcmp(value, "1") == 0) parse.outcome = kStatusBadData;
    if (std::strcmp(value, "2") == 0) parse.outcome = kStatusUnsupported;
    return;
  }
  std::size_t width = 0;
  char* field = replyField(record, parse.current, width);
  if (field == nullptr) return;
  if (count == 0) {
    field[0] = '\0';
  } else {
    copyBounded(field, value, width);
  }
}

void convertReplyText(const wchar_t* wide, uint32_t count, char* out, std::size_t width) {
  if (width == 0) return;
  out[0] = '\0';
  // The whole text decides, not just the part that fits: a value holding a character the
  // single-byte text cannot carry is no value at all.
  for (uint32_t i = 0; i < count && wide[i] != L'\0'; ++i) {
    if (static_cast<unsigned long>(wide[i]) > 0xFF) return;
  }
  std::size_t n = 0;
  for (; n < count && n + 1 < width && wide[n] != L'\0'; ++n) {
    out[n] = static_cast<char>(static_cast<unsigned char>(wide[n]));
  }
  out[n] = '\0';
}

void feedElementName(ReplyParse& parse, const wchar_t* name, uint32_t count) {
  char converted[kReplyNameArea];
  convertReplyText(name, count, converted, sizeof converted);
  onReplyElement(parse, converted, count);
}

void feedTextValue(ReplyParse& parse, CheckRecord& record, const wchar_t* value, uint32_t count) {
  char converted[kReplyValueArea];
  convertReplyText(value, count, converted, sizeof converted);
  onReplyText(parse, record, converted, count);
}
