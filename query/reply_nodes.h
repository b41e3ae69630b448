#pragma once
// Turns the reply document's nodes, in document order, into the outcome of the check and the
// four reply fields of the record. Names and values arrive already converted to single-byte text.
#include <cstddef>
#include <cstdint>

#include "query/update_status.h"

struct CheckRecord;

// Conversion areas with their terminator: names up to 48 characters, values up to 299.
constexpr std::size_t kReplyNameArea = 49;
constexpr std::size_t kReplyValueArea = 300;

// The element whose text the next text node belongs to.
enum class ReplyElement { None, Result, Version, Installer, UpgradeName, UpgradePage };

struct ReplyParse {
  UpdateStatus outcome;  // -3 until a Result element reads "0", "1" or "2"
  ReplyElement current;  // set by element nodes only; end tags leave it alone
};

// Starts a parse: outcome -3, no current element.
void beginReplyParse(ReplyParse& parse);

// Which of the five reply elements the local name is, compared case-sensitively as a whole.
// A name of more than 48 characters (count) is none of them.
ReplyElement replyElementNamed(const char* name, uint32_t count);

// An element node: its local name makes the current element, or none.
void onReplyElement(ReplyParse& parse, const char* name, uint32_t count);

// A text node, with the value's character count before conversion: sets the outcome for Result,
// or stores the value (cut to the field's width - 1) in the current element's field.
// A value of count 0 empties the field.
void onReplyText(ReplyParse& parse, CheckRecord& record, const char* value, uint32_t count);

// The same two steps for the reader's wide names and values: convert into the name or value
// area, then handle.
void feedElementName(ReplyParse& parse, const wchar_t* name, uint32_t count);
void feedTextValue(ReplyParse& parse, CheckRecord& record, const wchar_t* value, uint32_t count);

// Converts count wide units (fewer if a NUL comes first) to single-byte text in out (width bytes):
// each unit up to U+00FF becomes that byte, at most width - 1 of them are kept, and a unit above
// U+00FF anywhere in the text makes the whole result empty.
void convertReplyText(const wchar_t* wide, uint32_t count, char* out, std::size_t width);
