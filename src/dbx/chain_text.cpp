#include "dbx/chain_text.h"

#include <algorithm>
#include <cstring>

#include "dbx/layout.h"

namespace quernel::dbx {

namespace {

bool HoldsOwnOffset(FileWindow& window, uint32_t block) {
  return uint64_t{block} + kBlockHeaderSize <= window.length() && window.u32(block) == block;
}

}  // namespace

bool AppendTextBytes(FileWindow& window, uint64_t offset, uint64_t size, bool toZero, std::string& text) {
  while (size > 0) {
    const std::string_view bytes = window.bytesAt(offset);
    if (bytes.empty()) break;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes.size(), size));
    const void* zero = toZero ? std::memchr(bytes.data(), 0, n) : nullptr;
    if (zero) {
      text.append(bytes.data(), static_cast<size_t>(static_cast<const char*>(zero) - bytes.data()));
      return false;
    }
    text.append(bytes.data(), n);
    offset += n;
    size -= n;
  }
  return true;
}

void AppendChainText(FileWindow& window, const FoundChain& chain, std::string& text, size_t limit) {
  const size_t start = text.size();
  const bool freed = chain.kind == ChainKind::Freed;
  uint32_t block = chain.first;
  for (uint32_t k = 0; k < chain.blockCount && HoldsOwnOffset(window, block); ++k) {
    if (text.size() - start >= limit) return;  // a prefix was asked for: nothing stripped
    if (freed) {
      text += k == 0 ? kFirstChunkFiller : kChunkFiller;
      AppendTextBytes(window, uint64_t{block} + kFreeChunkText, kFreeChunkSize - kFreeChunkText, false, text);
    } else {
      const size_t size = std::min<size_t>(window.u16(uint64_t{block} + kBlockTextLength), kBlockTextCapacity);
      if (!AppendTextBytes(window, uint64_t{block} + kBlockHeaderSize, size, true, text)) return;
    }
    block = window.u32(uint64_t{block} + kBlockNext);
  }
  if (freed) {
    const size_t kept = text.find_last_not_of('\0');
    text.resize(kept == std::string::npos || kept < start ? start : kept + 1);
  }
}

}  // namespace quernel::dbx
