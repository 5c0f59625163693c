#include "dbx/chain_assembly.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "dbx/layout.h"

namespace quernel::dbx {

namespace {

// Blocks of one kind and which of them are taken.
struct LinkTable {
  explicit LinkTable(const BlockTable& found)
      : blocks(found), taken(found.size()), hasPredecessor(found.size()) {}

  // The block that `from`'s next offset names, or kNotFound.
  size_t successor(size_t from) const {
    const uint32_t next = blocks.next(from);
    return next == 0 ? kNotFound : blocks.find(next);
  }

  const BlockTable& blocks;
  std::vector<bool> taken;
  std::vector<bool> hasPredecessor;
};

class ChainAssembly {
 public:
  ChainAssembly(const FoundObjects& objects, FileWindow& window)
      : objects_(objects),
        window_(window),
        live_(objects.liveBlocks),
        freed_(objects.freeChunks),
        unrecognisedLimit_(window.length() / kBlockSize + 4096) {}

  void leaveOutIndexed(uint32_t start) {
    for (uint32_t block = start; block != 0;) {
      const std::optional<uint32_t> next = takeForIndex(block);
      if (!next || *next == block) return;
      block = *next;
    }
  }

  std::vector<FoundChain> run() {
    std::vector<FoundChain> chains;
    walkAll(live_, ChainKind::Live, chains);
    walkAll(freed_, ChainKind::Freed, chains);
    return chains;
  }

 private:
  // Takes `block` for the index's chain and returns its next offset; nothing
  // where the chain ends or reaches what an earlier chain took.
  std::optional<uint32_t> takeForIndex(uint32_t block) {
    for (LinkTable* table : {&live_, &freed_}) {
      const size_t i = table->blocks.find(block);
      if (i == kNotFound) continue;
      if (table->taken[i]) return std::nullopt;
      table->taken[i] = true;
      return table->blocks.next(i);
    }
    // The reader follows blocks the scan did not recognise as well, as long
    // as they begin with their own offset. Real chains have none, so their
    // number is capped against crafted files.
    if (uint64_t{block} + kBlockNext + 4 > window_.length() || window_.u32(block) != block) return std::nullopt;
    if (unrecognised_.size() >= unrecognisedLimit_ || !unrecognised_.insert(block).second) {
      return std::nullopt;
    }
    return window_.u32(uint64_t{block} + kBlockNext);
  }

  void walkAll(LinkTable& table, ChainKind kind, std::vector<FoundChain>& chains) {
    const size_t firstChain = chains.size();
    for (size_t i = 0; i < table.blocks.size(); ++i) {
      const size_t j = table.successor(i);
      if (j != kNotFound && j != i) table.hasPredecessor[j] = true;
    }
    for (size_t i = 0; i < table.blocks.size(); ++i) {
      if (!table.taken[i] && !table.hasPredecessor[i]) walk(table, kind, i, chains);
    }
    for (size_t i = 0; i < table.blocks.size(); ++i) {  // rings: no head anywhere
      if (!table.taken[i]) walk(table, kind, i, chains);
    }
    std::sort(chains.begin() + static_cast<ptrdiff_t>(firstChain), chains.end(),
              [](const FoundChain& a, const FoundChain& b) { return a.first < b.first; });
  }

  void walk(LinkTable& table, ChainKind kind, size_t i, std::vector<FoundChain>& chains) {
    FoundChain chain{kind, table.blocks.offset(i), 0};
    size_t last = i;
    for (; i != kNotFound && !table.taken[i]; i = table.successor(i)) {
      table.taken[i] = true;
      ++chain.blockCount;
      last = i;
      chain.last = table.blocks.offset(i);
      if (kind == ChainKind::Freed && endsText(chain.last)) {
        chains.push_back(chain);  // the deleted message ends here
        chain.blockCount = 0;
        const size_t next = table.successor(i);
        if (next != kNotFound) chain.first = table.blocks.offset(next);
      }
    }
    if (chain.blockCount == 0) return;
    if (kind == ChainKind::Live) chain.cut = isCut(table.blocks.next(last), chain.last);
    chains.push_back(chain);
  }

  // Whether a live chain that ends at `block`, whose link is `next`, ends
  // before its text does. A link to a block or chunk that another chain took
  // leads on in the file; the text is whole as far as this chain goes.
  bool isCut(uint32_t next, uint32_t block) {
    const uint64_t textEnd = uint64_t{block} + kBlockHeaderSize + window_.u16(uint64_t{block} + kBlockTextLength);
    if (textEnd > window_.length()) return true;
    return next != 0 && live_.blocks.find(next) == kNotFound && freed_.blocks.find(next) == kNotFound;
  }

  bool endsText(uint32_t chunk) const {
    return std::binary_search(objects_.freeChunkEnds.begin(), objects_.freeChunkEnds.end(), chunk);
  }

  const FoundObjects& objects_;
  FileWindow& window_;
  LinkTable live_;
  LinkTable freed_;
  std::unordered_set<uint32_t> unrecognised_;
  const size_t unrecognisedLimit_;
};

}  // namespace

std::vector<FoundChain> AssembleChains(const FoundObjects& objects,
                                       std::span<const uint32_t> indexedStarts, FileWindow& window) {
  ChainAssembly assembly(objects, window);
  for (uint32_t start : indexedStarts) assembly.leaveOutIndexed(start);
  return assembly.run();
}

}  // namespace quernel::dbx
