#include "dbx/freed_copies.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

#include "dbx/chain_text.h"
#include "dbx/layout.h"

namespace quernel::dbx {

namespace {

// Full comparisons tried per freed chain, so that crafted files with many
// chains that begin alike cost no more than a few texts each.
constexpr int kComparisonsPerChain = 4;

// A hash of the part of a first block that survives freeing: its text bytes
// from the fifth on. Live and freed copies of one message agree on it.
uint64_t SurvivingStart(FileWindow& window, const FoundChain& chain) {
  std::string head;
  AppendChainText(window, {chain.kind, chain.first, 1}, head);
  uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (size_t k = kFreeChunkLostBytes; k < head.size(); ++k) {
    hash = (hash ^ static_cast<uint8_t>(head[k])) * 1099511628211u;
  }
  return hash;
}

// A live text as it reads once freed: the first 4 bytes of each 512 replaced.
std::string AsFreed(std::string_view live) {
  std::string freed;
  for (size_t at = 0; at < live.size(); at += kBlockTextCapacity) {
    freed += at == 0 ? kFirstChunkFiller : kChunkFiller;
    const std::string_view piece = live.substr(at, kBlockTextCapacity);
    if (piece.size() > kFreeChunkLostBytes) freed += piece.substr(kFreeChunkLostBytes);
  }
  return freed;
}

bool SameText(FileWindow& window, const FoundChain& freed, const FoundChain& live) {
  std::string freedText, liveText;
  AppendChainText(window, freed, freedText);
  // The live chain is read no further than the freed text could match.
  AppendChainText(window, live, liveText, freedText.size() + kBlockTextCapacity);
  return AsFreed(liveText) == freedText;
}

}  // namespace

void DropFreedCopiesOfLive(std::vector<FoundChain>& chains, std::span<const uint32_t> indexedStarts,
                           FileWindow& window) {
  std::unordered_multimap<uint64_t, size_t> freedByStart;  // hash, index into chains
  for (size_t k = 0; k < chains.size(); ++k) {
    if (chains[k].kind == ChainKind::Freed) freedByStart.emplace(SurvivingStart(window, chains[k]), k);
  }
  if (freedByStart.empty()) return;
  // Indexed chains are read up to their end, as far as the file has room.
  const uint32_t mostBlocks = static_cast<uint32_t>(std::min<uint64_t>(window.length() / kBlockHeaderSize, UINT32_MAX));
  std::vector<FoundChain> live;
  for (uint32_t start : indexedStarts) {
    if (start != 0) live.push_back({ChainKind::Live, start, mostBlocks});
  }
  for (const FoundChain& chain : chains) {
    if (chain.kind == ChainKind::Live) live.push_back(chain);
  }
  std::vector<bool> drop(chains.size());
  std::vector<int> comparisons(chains.size());
  for (const FoundChain& chain : live) {
    auto [it, to] = freedByStart.equal_range(SurvivingStart(window, chain));
    while (it != to) {
      const size_t k = it->second;
      drop[k] = SameText(window, chains[k], chain);
      // A freed chain settled, or compared as often as it may be, leaves the
      // map: with many identical texts, every live chain would otherwise walk
      // all of them again, and the time would grow with their square.
      if (drop[k] || ++comparisons[k] >= kComparisonsPerChain) {
        it = freedByStart.erase(it);
      } else {
        ++it;
      }
    }
  }
  size_t k = 0;
  std::erase_if(chains, [&](const FoundChain&) { return drop[k++]; });
}

}  // namespace quernel::dbx
