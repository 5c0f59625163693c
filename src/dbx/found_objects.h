#pragma once
// What a scan of a whole mailbox file finds: the objects that begin with
// their own offset. All offsets are the file's own, as its fields state them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quernel::dbx {

// A live text block or a free chunk: where it is and where its chain goes on.
struct FoundLink {
  uint32_t offset;
  uint32_t next;  // 0: the chain ends here
};

// A message record that names where its message's text starts.
struct FoundRecord {
  uint32_t offset;
  uint32_t textStart;  // never 0
};

struct FoundObjects {
  std::vector<FoundLink> liveBlocks;  // ascending offsets, as all lists here
  std::vector<FoundLink> freeChunks;
  // Per free chunk: its last text byte is zero, so the text it held ended in
  // it (a message's other blocks are always full).
  std::vector<bool> freeChunkEnds;
  std::vector<FoundRecord> records;
};

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// The index of the link at `offset` in `links` (ascending), or kNotFound.
// `hint` is where it most likely is: chains usually run to the next block.
size_t FindLink(const std::vector<FoundLink>& links, uint32_t offset, size_t hint = kNotFound);

}  // namespace quernel::dbx
