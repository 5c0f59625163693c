#pragma once
// VisitedBlocks: detects a text chain that comes back to a block. Real chains
// run forward through the file, and a chain whose blocks only ever ascend
// cannot repeat one, so the set of visited blocks is built only once a chain
// steps back; until then a block costs 4 bytes.

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

namespace quernel::dbx {

class VisitedBlocks {
 public:
  // False when `block` was visited before.
  bool visit(uint32_t block) {
    if (visited_.empty() && (order_.empty() || block > order_.back())) {
      order_.push_back(block);
      return true;
    }
    if (visited_.empty()) visited_.insert(order_.begin(), order_.end());
    order_.push_back(block);
    return visited_.insert(block).second;
  }
  size_t count() const { return order_.size(); }

 private:
  std::vector<uint32_t> order_;  // every block so far, in chain order
  std::unordered_set<uint32_t> visited_;
};

}  // namespace quernel::dbx
