#include "dbx/block_table.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace quernel::dbx {
namespace {

using Blocks = std::vector<std::pair<uint32_t, uint32_t>>;  // (offset, next), ascending

// Chains of `length` blocks at `stride`, one after the other, each ending
// with next 0, starting at `start`.
Blocks Chains(uint32_t start, uint32_t stride, std::vector<uint32_t> lengths, uint32_t gap) {
  Blocks blocks;
  uint32_t at = start;
  for (uint32_t length : lengths) {
    for (uint32_t k = 0; k < length; ++k, at += stride) blocks.push_back({at, k + 1 < length ? at + stride : 0});
    at += gap;
  }
  return blocks;
}

// Whatever runs it forms, the table gives back every block with its next
// offset, and nothing at offsets where no block is.
TEST(BlockTableTest, GivesBackEveryBlockAndNothingElse) {
  Blocks mixed = Chains(0x24BC, 0x210, {3, 1, 5}, 0x40);
  mixed.push_back({mixed.back().first + 0x100, 0x24BC});  // a block naming an earlier one
  mixed.push_back({mixed.back().first + 0x20, mixed.back().first + 0x40});  // names one not there
  Blocks strides = Chains(0x1000, 0x30, {4}, 0);
  for (const auto& b : Chains(0x2000, 0x210, {4}, 0)) strides.push_back(b);  // a new stride
  Blocks above2GiB = Chains(0x80000000u, 0x210, {2, 2, 1}, 0x10);
  for (const Blocks& blocks : {Chains(0x24BC, 0x210, {1, 1, 1}, 0x20), Chains(0x24BC, 0x210, {120}, 0),
                               mixed, strides, above2GiB, Blocks{},
                               Blocks{{100, 200}, {200, 300}, {300, 500}, {500, 600}, {600, 0}}}) {
    BlockTable table;
    for (const auto& [offset, next] : blocks) table.add(offset, next);
    table.finish();
    ASSERT_EQ(table.size(), blocks.size());
    std::set<size_t> numbers;
    for (const auto& [offset, next] : blocks) {
      const size_t found = table.find(offset);
      ASSERT_NE(found, kNotFound) << offset;
      EXPECT_EQ(table.offset(found), offset);
      EXPECT_EQ(table.next(found), next) << offset;
      numbers.insert(found);
    }
    EXPECT_EQ(numbers.size(), blocks.size());
    for (const auto& [offset, next] : blocks) {
      for (uint32_t nowhere : {offset + 1, offset - 1, offset + 8}) {
        bool isBlock = false;
        for (const auto& b : blocks) isBlock |= b.first == nowhere;
        if (!isBlock) {
          EXPECT_EQ(table.find(nowhere), kNotFound) << nowhere;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quernel::dbx
