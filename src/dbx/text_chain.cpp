#include "dbx/text_chain.h"

#include <algorithm>
#include <cstring>

#include "dbx/layout.h"
#include "dbx/visited_blocks.h"
#include "platform/file_error.h"

namespace quernel::dbx {

namespace {

[[noreturn]] void Defective(uint64_t block, const char* why) {
  throw CorruptionError(FileErrorCause::Unspecified, block, why);
}

// Appends the piece's bytes up to the first zero byte; false once it found one.
bool AppendUpToZero(FileWindow& window, uint64_t offset, uint32_t size, std::string& text) {
  uint64_t done = 0;
  while (done < size) {
    const std::string_view bytes = window.bytesAt(offset + done);
    if (bytes.empty()) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), size - done));
    const void* zero = std::memchr(bytes.data(), 0, n);
    if (zero) {
      text.append(bytes.data(), static_cast<const char*>(zero) - bytes.data());
      return false;
    }
    text.append(bytes.data(), n);
    done += n;
  }
  return true;
}

}  // namespace

void ReadTextChain(FileWindow& window, uint32_t firstBlock, uint64_t budget, std::string& text,
                   uint64_t& cost, uint64_t stopAfter) {
  const uint64_t length = window.length();
  VisitedBlocks visited;
  uint64_t textBytes = 0;
  const uint64_t costBefore = cost;
  bool copying = true;  // until the first zero byte
  for (uint32_t block = firstBlock; block != 0;) {
    if (block >= length) {
      throw CorruptionError(FileErrorCause::OffsetOutOfRange, block, "text block beyond the end of the file");
    }
    if (!visited.visit(block)) Defective(block, "text chain returns to a block");
    if (visited.count() > length / kBlockHeaderSize) Defective(block, "more text blocks than the file can hold");
    // A block cut off before the end of its next-offset field counts as one
    // that points to itself: where its chain goes is not in the file.
    if (!window.holds(block, kBlockHeaderSize)) Defective(block, "text block cut off by the end of the file");
    // Every block begins with its own offset: a link to anything else leads
    // where no block is, and what stands there is not the message's text.
    if (window.u32(block) != block) Defective(block, "text chain leads where no block begins");
    const uint32_t next = window.u32(block + kBlockNext);
    if (next == block) Defective(block, "text block points to itself");
    const uint64_t start = uint64_t{block} + kBlockHeaderSize;
    const uint64_t inFile = start < length ? length - start : 0;
    const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(window.u16(block + kBlockTextLength), inFile));
    textBytes += size;
    if (textBytes > length) Defective(block, "text longer than the file");
    cost += size + kBlockHeaderSize;
    if (cost - costBefore > budget) Defective(block, "message texts out of proportion to the file");
    if (copying) copying = AppendUpToZero(window, start, size, text);
    if (textBytes >= stopAfter) return;
    block = next;
  }
}

}  // namespace quernel::dbx
