#include "skiplist/entry_array.h"

#include <cstdlib>
#include <cstring>

// The C allocator rather than new: the checker is built without exceptions, and the library's
// operator new would bring its whole exception machinery back into the program.
SkipEntry* allocateEntries(int64_t count) {
  if (count < 0 || count > kMaxSkipEntries) return nullptr;
  // A valid, unique block for 0 entries too, as new[] gave.
  std::size_t n = count == 0 ? 1 : static_cast<std::size_t>(count);
  return static_cast<SkipEntry*>(std::calloc(n, sizeof(SkipEntry)));
}

SkipEntry* growEntries(SkipEntry* entries, int64_t have, int64_t count) {
  if (have < 0 || count < have || count > kMaxSkipEntries) return nullptr;
  if (entries == nullptr) return allocateEntries(count);
  // realloc moves a large block without copying it, where the platform can.
  std::size_t n = count == 0 ? 1 : static_cast<std::size_t>(count);
  auto* grown = static_cast<SkipEntry*>(std::realloc(entries, n * sizeof(SkipEntry)));
  if (grown == nullptr) return nullptr;
  std::memset(grown + have, 0, static_cast<std::size_t>(count - have) * sizeof(SkipEntry));
  return grown;
}

void releaseEntries(SkipEntry* entries) { std::free(entries); }
