#include "skiplist/list_line_reader.h"

void startListLines(ListLineReader& reader, ListFile file) {
  reader.file = file;
  reader.start = 0;
  reader.end = 0;
  reader.atEnd = false;
}

int32_t readListLine(ListLineReader& reader, char* line, int32_t* length) {
  int32_t n = 0;
  *length = 0;
  line[0] = '\0';
  for (;;) {
    if (reader.start == reader.end) {
      if (reader.atEnd) break;
      int32_t got = readListFile(reader.file, reader.buffer, static_cast<int32_t>(sizeof reader.buffer));
      if (got < 0) {
        reader.atEnd = true;
        return kLineReadError;
      }
      if (got == 0) {
        reader.atEnd = true;
        break;
      }
      reader.start = 0;
      reader.end = got;
    }
    char c = reader.buffer[reader.start++];
    if (c == '\n') {
      if (n > 0 && line[n - 1] == '\r') --n;
      line[n] = '\0';
      *length = n;
      return n > kMaxListLine ? kLineTooLong : kLineRead;
    }
    // One byte past the limit may still be the CR of a CR LF; two never are.
    if (n == kMaxListLine + 1) return kLineTooLong;
    line[n++] = c;
  }
  if (n == 0) return kLineEndOfFile;
  line[n] = '\0';
  *length = n;
  return n > kMaxListLine ? kLineTooLong : kLineRead;
}
