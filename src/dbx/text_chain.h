#pragma once
// Text chains: a message's raw text, spread over linked blocks.

#include <cstdint>
#include <string>

#include "dbx/file_window.h"

namespace quernel::dbx {

// Follows the chain from `firstBlock` (0: no text) and appends its text, up
// to the first zero byte, to `text`; after a failure `text` may hold part of
// it. The blocks are read in one pass: each block's header and text come
// from the same window load, so a mailbox's texts are read from the file once.
//
// Adds the chain's cost to `cost` as it goes: its text bytes plus a block
// header's worth per block, so that after a failure `cost` holds the work
// done. Raises FileError Unspecified once the chain's own cost exceeds
// `budget`, so a crafted chain costs no more work than the budget allows.
//
// Raises CorruptionError OffsetOutOfRange for a block at or beyond the end
// of the file, and Unspecified for a chain that comes back to a block it
// has visited (a block whose next-offset field the file does not hold whole
// counts as pointing to itself), that leads to a block whose first field is
// not its own offset (no block begins there), that holds more blocks than the file has
// room for block headers, or whose text is longer than the file.
// A block's text bytes that lie beyond the end of the file are not part of
// the text. The whole chain is checked even when a zero byte ends the text
// early.
//
// With `stopAfter`, the walk ends as soon as the chain has given that many
// text bytes: a caller that needs only the start of a text (its header
// lines) reads no further, and the rest of the chain goes unchecked.
void ReadTextChain(FileWindow& window, uint32_t firstBlock, uint64_t budget, std::string& text,
                   uint64_t& cost, uint64_t stopAfter = UINT64_MAX);

}  // namespace quernel::dbx
