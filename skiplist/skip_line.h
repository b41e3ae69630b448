#pragma once
// One line of a list file: key "=" value, without its line end.
#include <cstddef>
#include <cstdint>

#include "skiplist/skip_list.h"

// Longest line the store reads; a longer one ends the list.
constexpr int32_t kMaxListLine = 254;
// Longest line the store writes: 47 + "=" + 47 + CR LF.
constexpr int32_t kMaxWrittenLine = 97;

// Splits a non-empty line at its first "=". Key and value are cut to 47 characters; a line
// without "=" gives an empty key and value.
void splitListLine(const char* line, int32_t length, SkipEntry& entry);

// Writes key "=" value CR LF into out (at least kMaxWrittenLine + 1 bytes) and returns its
// length, or -1 when the entry holds a line feed and so cannot be written as one line.
int32_t formatListLine(const SkipEntry& entry, char* out);
