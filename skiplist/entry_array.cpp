#include "skiplist/entry_array.h"

#include <cstdlib>

// calloc rather than new: the checker is built without exceptions, and the library's
// operator new would bring its whole exception machinery back into the program.
SkipEntry* allocateEntries(int64_t count) {
  if (count < 0 || count > kMaxSkipEntries) return nullptr;
  // A valid, unique block for 0 entries too, as new[] gave.
  std::size_t n = count == 0 ? 1 : static_cast<std::size_t>(count);
  return static_cast<SkipEntry*>(std::calloc(n, sizeof(SkipEntry)));
}

void releaseEntries(SkipEntry* entries) { std::free(entries); }
