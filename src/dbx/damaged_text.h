#pragma once
// The readable part of an indexed message whose text chain is defective.

#include <cstdint>
#include <string>

#include "dbx/file_window.h"

namespace quernel::dbx {

struct DamagedText {
  std::string text;    // the text of every block that could be read
  std::string defect;  // what ended the chain early; empty when nothing did
  uint32_t blocks = 0;  // blocks read
  uint32_t last = 0;    // the last block read
  uint64_t cost = 0;    // text bytes plus a block header's worth per block read
};

// Follows the chain from `firstBlock` as the reader does, but keeps going
// where the reader gives up and stops only where nothing more can be read:
// at a block beyond the end of the file, at a block met before, at an
// offset where no block begins (its first field is not its own offset), once the
// text is longer than the file, once the cost would exceed `budget`, or
// after `maxBlocks` blocks (no defect then: a caller that read the chain
// once reads the same part again). A block that names itself as the next one
// still gives its text. The text ends at its first zero byte, as for any
// indexed message.
DamagedText ReadDamagedText(FileWindow& window, uint32_t firstBlock, uint64_t budget,
                            uint32_t maxBlocks = UINT32_MAX);

}  // namespace quernel::dbx
