#pragma once
// Chain assembly: from the blocks and free chunks a scan found, the chains
// that the index tree does not reach, each of them once.

#include <cstdint>
#include <span>
#include <vector>

#include "dbx/file_window.h"
#include "dbx/found_objects.h"

namespace quernel::dbx {

enum class ChainKind : uint8_t {
  Live,   // live text blocks: a message the index lost
  Freed,  // free chunks: a deleted message
};

struct FoundChain {
  ChainKind kind;
  uint32_t first;       // own offset of its first block or chunk
  uint32_t blockCount;  // how many, following the next offsets from `first`
  uint32_t last = 0;    // own offset of its last block or chunk
  // A live chain whose text goes on beyond what the file holds: its last
  // block's link leads where no block or chunk begins (past the end of the
  // file, into a block cut off by it, or into anything else), or its text
  // runs past the end of the file. Its message is incomplete.
  bool cut = false;
};

// The chains of `objects` that no text start in `indexedStarts` reaches,
// live chains first, each kind in the order of its first block.
//
// The index's chains are followed as the reader follows them, through blocks
// the scan did not recognise as well, and all they pass is left out. Then
// every chain is walked from its head (a block no other block of its kind
// points to), and what is left after that lies on rings, which are walked
// from one of their blocks. A walk stops at a block already taken, so no
// block is part of two chains and every walk ends; a live chain stops where
// it meets a free chunk and a free chain where it meets a live block.
//
// A free chain is cut after every chunk whose text ended in it (see
// FoundObjects::freeChunkEnds): what follows is the next deleted message.
// The result is sorted by kind and first block.
std::vector<FoundChain> AssembleChains(const FoundObjects& objects,
                                       std::span<const uint32_t> indexedStarts, FileWindow& window);

}  // namespace quernel::dbx
