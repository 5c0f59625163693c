#pragma once
// BlockTable: the text blocks (or free chunks) a scan found, each with the
// offset its chain goes on to, kept small. Outlook Express writes a message's
// blocks one after the other, each naming the next, so most blocks form runs
// at one stride whose links need not be stored: a run takes 20 bytes however
// long it is, and a block outside any run 8.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quernel::dbx {

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

class BlockTable {
 public:
  // Adds a block; offsets come in ascending order.
  void add(uint32_t offset, uint32_t next);
  // Ends adding; the lookups below work from here on.
  void finish();

  // Blocks are numbered 0 .. size() - 1, not in the order of their offsets.
  size_t size() const { return singles_.size() + runBlocks_; }
  // The number of the block at `offset`, or kNotFound.
  size_t find(uint32_t offset) const;
  uint32_t offset(size_t block) const;
  // The next offset stored in the block (0: the chain ends).
  uint32_t next(size_t block) const;

 private:
  struct Single {
    uint32_t offset;
    uint32_t next;
  };
  // Blocks first, first + stride, ..., each naming the following one as its
  // next; the last names lastNext.
  struct Run {
    uint32_t first;
    uint32_t stride;
    uint32_t count;
    uint32_t lastNext;
    uint32_t base;  // number of its first block among the runs' blocks
  };

  static uint64_t lastOffset(const Run& run) { return run.first + uint64_t{run.stride} * (run.count - 1); }
  size_t runOf(size_t runBlock) const;

  std::vector<Single> singles_;
  std::vector<Run> runs_;
  size_t runBlocks_ = 0;
  mutable size_t lastRun_ = 0;  // the run the last lookup found: lookups mostly go on in it
};

}  // namespace quernel::dbx
