#include "dbx/text_chain.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "dbx/layout.h"
#include "platform/file_error.h"

namespace quernel::dbx {

namespace {

[[noreturn]] void Defective(const char* why) { throw FileError(FileErrorCause::Unspecified, why); }

uint32_t NextBlock(FileWindow& window, uint64_t block) {
  // A block cut off before its next-offset field reads as pointing to itself.
  if (block + kBlockNext >= window.length()) return static_cast<uint32_t>(block);
  return window.u32(block + kBlockNext);
}

}  // namespace

void WalkTextChain(FileWindow& window, uint32_t firstBlock, TextChain& chain) {
  const uint64_t length = window.length();
  std::unordered_set<uint32_t> visited;
  for (uint32_t block = firstBlock; block != 0;) {
    if (block >= length) {
      throw FileError(FileErrorCause::OffsetOutOfRange, "text block beyond the end of the file");
    }
    if (!visited.insert(block).second) Defective("text chain returns to a block");
    if (visited.size() > length / kBlockHeaderSize) Defective("more text blocks than the file can hold");
    const uint32_t next = NextBlock(window, block);
    if (next == block) Defective("text block points to itself");
    const uint64_t text = uint64_t{block} + kBlockHeaderSize;
    const uint64_t inFile = text < length ? length - text : 0;
    const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(window.u16(block + kBlockTextLength), inFile));
    chain.pieces.push_back({text, size});
    chain.textBytes += size;
    if (chain.textBytes > length) Defective("text longer than the file");
    block = next;
  }
}

std::string ReadText(FileWindow& window, const TextChain& chain) {
  std::string text(chain.textBytes, '\0');
  size_t used = 0;
  for (const TextChain::Piece& piece : chain.pieces) {
    const size_t got = window.copy(piece.offset, text.data() + used, piece.size);
    const void* zero = std::memchr(text.data() + used, 0, got);
    if (zero) {
      used = static_cast<const char*>(zero) - text.data();
      break;
    }
    used += got;
  }
  text.resize(used);
  return text;
}

}  // namespace quernel::dbx
