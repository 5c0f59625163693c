#include "dbx/damaged_text.h"

#include <algorithm>

#include "dbx/chain_text.h"
#include "dbx/layout.h"
#include "dbx/visited_blocks.h"

namespace quernel::dbx {

DamagedText ReadDamagedText(FileWindow& window, uint32_t firstBlock, uint64_t budget,
                            uint32_t maxBlocks) {
  DamagedText damaged;
  const uint64_t length = window.length();
  VisitedBlocks visited;
  uint64_t textBytes = 0;
  bool copying = true;  // until the first zero byte
  for (uint32_t block = firstBlock; block != 0 && damaged.blocks < maxBlocks;) {
    if (block >= length) {
      damaged.defect = "text block beyond the end of the file";
      break;
    }
    if (!visited.visit(block)) {
      damaged.defect = "text chain returns to a block";
      break;
    }
    if (window.u32OrZero(block) != block) {
      damaged.defect = "text chain leads where no block begins";
      break;
    }
    const uint64_t start = uint64_t{block} + kBlockHeaderSize;
    // A block cut off before its text has none.
    const uint64_t size = start < length ? std::min<uint64_t>(window.u16(uint64_t{block} + kBlockTextLength),
                                                              length - start)
                                         : 0;
    textBytes += size;
    if (textBytes > length || damaged.cost + size + kBlockHeaderSize > budget ||
        visited.count() > length / kBlockHeaderSize) {
      damaged.defect = "text out of proportion to the file";
      break;
    }
    damaged.cost += size + kBlockHeaderSize;
    ++damaged.blocks;
    damaged.last = block;
    if (copying) copying = AppendTextBytes(window, start, size, true, damaged.text);
    if (uint64_t{block} + kBlockNext + 4 > length) {
      damaged.defect = "text block cut off by the end of the file";
      break;
    }
    const uint32_t next = window.u32(uint64_t{block} + kBlockNext);
    if (next == block) {
      damaged.defect = "text block points to itself";
      break;
    }
    block = next;
  }
  return damaged;
}

}  // namespace quernel::dbx
