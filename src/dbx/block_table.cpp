#include "dbx/block_table.h"

#include <algorithm>

namespace quernel::dbx {

void BlockTable::add(uint32_t offset, uint32_t next) {
  if (!runs_.empty()) {
    Run& run = runs_.back();
    const uint64_t last = lastOffset(run);
    const bool follows = run.lastNext == offset && offset > last && (run.count == 1 || offset - last == run.stride);
    if (follows) {
      if (run.count == 1) run.stride = static_cast<uint32_t>(offset - last);
      ++run.count;
      run.lastNext = next;
      return;
    }
    if (run.count == 1) {  // not a run after all
      singles_.push_back({run.first, run.lastNext});
      runs_.pop_back();
    }
  }
  runs_.push_back({offset, 0, 1, next, 0});
}

void BlockTable::finish() {
  if (!runs_.empty() && runs_.back().count == 1) {
    const Run run = runs_.back();
    runs_.pop_back();
    // Singles stay in ascending order: this block lies after all of them.
    singles_.push_back({run.first, run.lastNext});
  }
  runBlocks_ = 0;
  for (Run& run : runs_) {
    run.base = static_cast<uint32_t>(runBlocks_);
    runBlocks_ += run.count;
  }
  runs_.shrink_to_fit();
  singles_.shrink_to_fit();
}

size_t BlockTable::find(uint32_t offset) const {
  const auto single = std::lower_bound(singles_.begin(), singles_.end(), offset,
                                       [](const Single& s, uint32_t o) { return s.offset < o; });
  if (single != singles_.end() && single->offset == offset) return static_cast<size_t>(single - singles_.begin());
  size_t r = lastRun_;
  if (r >= runs_.size() || offset < runs_[r].first || offset > lastOffset(runs_[r])) {
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), offset,
                                        [](uint32_t o, const Run& run) { return o < run.first; });
    if (after == runs_.begin()) return kNotFound;
    r = static_cast<size_t>(after - runs_.begin()) - 1;
  }
  const Run& run = runs_[r];
  if (offset > lastOffset(run) || (offset - run.first) % run.stride != 0) return kNotFound;
  lastRun_ = r;
  return singles_.size() + run.base + (offset - run.first) / run.stride;
}

size_t BlockTable::runOf(size_t runBlock) const {
  if (lastRun_ < runs_.size() && runBlock >= runs_[lastRun_].base &&
      runBlock < runs_[lastRun_].base + size_t{runs_[lastRun_].count}) {
    return lastRun_;
  }
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), runBlock,
                                      [](size_t b, const Run& run) { return b < run.base; });
  lastRun_ = static_cast<size_t>(after - runs_.begin()) - 1;
  return lastRun_;
}

uint32_t BlockTable::offset(size_t block) const {
  if (block < singles_.size()) return singles_[block].offset;
  const size_t runBlock = block - singles_.size();
  const Run& run = runs_[runOf(runBlock)];
  return static_cast<uint32_t>(run.first + uint64_t{run.stride} * (runBlock - run.base));
}

uint32_t BlockTable::next(size_t block) const {
  if (block < singles_.size()) return singles_[block].next;
  const size_t runBlock = block - singles_.size();
  const Run& run = runs_[runOf(runBlock)];
  const size_t k = runBlock - run.base;
  return k + 1 < run.count ? static_cast<uint32_t>(run.first + uint64_t{run.stride} * (k + 1)) : run.lastNext;
}

}  // namespace quernel::dbx
