#pragma once
// What a scan of a whole mailbox file finds: the objects that begin with
// their own offset. All offsets are the file's own, as its fields state them.

#include <cstdint>
#include <vector>

#include "dbx/block_table.h"

namespace quernel::dbx {

// A message record that names where its message's text starts.
struct FoundRecord {
  uint32_t offset;
  uint32_t textStart;  // never 0
};

struct FoundObjects {
  BlockTable liveBlocks;
  BlockTable freeChunks;
  // The free chunks whose last text byte is zero, ascending: the text they
  // held ended in them (a message's other blocks are always full).
  std::vector<uint32_t> freeChunkEnds;
  std::vector<FoundRecord> records;  // ascending offsets
};

}  // namespace quernel::dbx
