#pragma once
// Reads a list file line by line through a buffer. A line ends at LF; a CR directly before the
// LF is not part of it; a last line without a line end counts.
#include <cstdint>

#include "skiplist/list_files.h"
#include "skiplist/skip_line.h"

constexpr int32_t kLineRead = 0;
constexpr int32_t kLineEndOfFile = 1;  // nothing left to read
constexpr int32_t kLineTooLong = 2;    // more than kMaxListLine characters
constexpr int32_t kLineReadError = 3;

// Room for the longest line, one more byte to see it is too long, and the NUL.
constexpr int32_t kLineBufferWidth = kMaxListLine + 2;

struct ListLineReader {
  ListFile file;
  int32_t start;  // next unread byte in buffer
  int32_t end;    // bytes held in buffer
  bool atEnd;
  char buffer[4096];
};

void startListLines(ListLineReader& reader, ListFile file);
// Reads the next line into line (kLineBufferWidth bytes), NUL-terminated, its length in length.
int32_t readListLine(ListLineReader& reader, char* line, int32_t* length);
