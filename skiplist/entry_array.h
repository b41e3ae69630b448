#pragma once
// The one block of entries a skip list owns.
#include <cstdint>

#include "skiplist/skip_list.h"

// The byte size of the array must fit in 32 bits: 4294967295 / 96 entries at most.
constexpr int32_t kMaxSkipEntries = static_cast<int32_t>(0xFFFFFFFFu / sizeof(SkipEntry));

// A zero-filled array of count entries (a valid, empty block for 0); nullptr when count is
// negative, above kMaxSkipEntries, or memory runs out.
SkipEntry* allocateEntries(int64_t count);
// entries (a block from here, or nullptr) resized to count entries: the first have kept, the
// rest zero-filled. nullptr, with entries untouched, when have or count is out of range or
// memory runs out.
SkipEntry* growEntries(SkipEntry* entries, int64_t have, int64_t count);
void releaseEntries(SkipEntry* entries);
