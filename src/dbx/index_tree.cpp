#include "dbx/index_tree.h"

#include <unordered_set>

#include "dbx/layout.h"
#include "platform/file_error.h"

namespace quernel::dbx {

namespace {

// One node being walked: which of its entries comes next.
struct Frame {
  uint64_t node;
  uint32_t entryCount;
  uint32_t nextEntry;
};

class TreeWalk {
 public:
  explicit TreeWalk(FileWindow& window)
      : window_(window),
        maxNodes_(window.length() / kNodeEntries),
        maxValues_(window.length() / kNodeEntrySize) {}

  std::vector<uint32_t> run(uint32_t root) {
    enter(root);
    while (!stack_.empty()) {
      Frame& top = stack_.back();
      if (top.nextEntry == top.entryCount) {
        stack_.pop_back();
        continue;
      }
      const uint64_t entry = top.node + kNodeEntries + kNodeEntrySize * top.nextEntry++;
      if (!window_.holds(entry, kNodeEntrySize)) {
        throw CorruptionError(FileErrorCause::OffsetOutOfRange, entry, "index entry cut off by the end of the file");
      }
      append(window_.u32(entry + kEntryValue));
      if (window_.u32(entry + kEntryChildValues) != 0) enter(window_.u32(entry + kEntryChild));
    }
    return std::move(values_);
  }

 private:
  // Checks the node and puts it on the stack, after its chain of first
  // children, so that the deepest first child is walked first.
  void enter(uint64_t node) {
    for (;;) {
      check(node);
      stack_.push_back({node, window_.u8(node + kNodeEntryCount), 0});
      if (window_.u32(node + kNodeFirstChildValues) == 0) return;
      node = window_.u32(node + kNodeFirstChild);
    }
  }

  void check(uint64_t node) {
    if (node >= window_.length()) {
      throw CorruptionError(FileErrorCause::OffsetOutOfRange, node, "index node beyond the end of the file");
    }
    if (!window_.holds(node, kNodeEntries)) {
      throw CorruptionError(FileErrorCause::OffsetOutOfRange, node, "index node cut off by the end of the file");
    }
    if (!visited_.insert(node).second) {
      throw CorruptionError(FileErrorCause::Unspecified, node, "index tree returns to a node");
    }
    if (visited_.size() > maxNodes_) {
      throw CorruptionError(FileErrorCause::Unspecified, node, "more index nodes than the file can hold");
    }
  }

  void append(uint32_t value) {
    if (values_.size() >= maxValues_) {
      throw CorruptionError(FileErrorCause::Unspecified, stack_.back().node,
                            "more index values than the file can hold");
    }
    values_.push_back(value);
  }

  FileWindow& window_;
  const uint64_t maxNodes_;
  const uint64_t maxValues_;
  std::vector<Frame> stack_;
  std::unordered_set<uint64_t> visited_;
  std::vector<uint32_t> values_;
};

}  // namespace

std::vector<uint32_t> ReadIndexTree(FileWindow& window, uint32_t root) {
  return TreeWalk(window).run(root);
}

}  // namespace quernel::dbx
