#include "skiplist/entry_array.h"

#include <new>

SkipEntry* allocateEntries(int64_t count) {
  if (count < 0 || count > kMaxSkipEntries) return nullptr;
  return new (std::nothrow) SkipEntry[static_cast<std::size_t>(count)]();
}

void releaseEntries(SkipEntry* entries) { delete[] entries; }
