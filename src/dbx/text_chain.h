#pragma once
// Text chains: a message's raw text, spread over linked blocks.

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/file_window.h"

namespace quernel::dbx {

struct TextChain {
  struct Piece {
    uint64_t offset;  // first text byte
    uint32_t size;    // text bytes that lie inside the file
  };
  std::vector<Piece> pieces;  // in chain order
  uint64_t textBytes = 0;     // sum of the piece sizes
};

// Follows the chain from `firstBlock` (0: no text) without reading any text.
// Raises FileError OffsetOutOfRange for a block at or beyond the end of the
// file, and Unspecified for a chain that comes back to a block it has
// visited (a block whose next-offset field begins at or beyond the end of
// the file counts as pointing to itself), that holds more blocks than the
// file has room for block headers, or whose text is longer than the file.
// A block's text bytes that lie beyond the end of the file are not part of
// the text. Fills `chain` as it goes: after a FileError it holds the blocks
// walked before the fault, so that the caller can charge the work done.
void WalkTextChain(FileWindow& window, uint32_t firstBlock, TextChain& chain);

// The chain's text up to its first zero byte, in one allocation.
std::string ReadText(FileWindow& window, const TextChain& chain);

}  // namespace quernel::dbx
