#include "dbx/folder_tree.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quernel {
namespace {

struct Rec {
  const char* name;
  uint32_t id;
  uint32_t parent;
};

std::vector<FolderRecord> Records(const std::vector<Rec>& recs) {
  std::vector<FolderRecord> records;
  for (const Rec& r : recs) {
    FolderRecord f;
    f.name = r.name;
    f.id = r.id;
    f.parentId = r.parent;
    records.push_back(f);
  }
  return records;
}

// The tree as text: "A[B C[D]] E" means A holds B and C, C holds D, and E is
// a second top-level folder. Checks that the order puts parents first.
std::string Render(const std::vector<FolderRecord>& records, const FolderTree& tree) {
  std::string text;
  std::vector<size_t> open;  // the chain of folders whose "[" is still open
  std::vector<bool> placed(records.size(), false);
  for (size_t i : tree.order) {
    const size_t parent = tree.parent[i];
    if (parent != FolderTree::kTopLevel && !placed[parent]) return "child before parent";
    while (!open.empty() && open.back() != parent) {
      open.pop_back();
      text += "]";
    }
    if (!text.empty() && text.back() != '[') text += " ";
    if (parent != FolderTree::kTopLevel && (open.empty() || open.back() != parent)) return "not depth first";
    text += records[i].name;
    text += "[";
    open.push_back(i);
    placed[i] = true;
  }
  while (!open.empty()) {
    open.pop_back();
    text += "]";
  }
  // Leaves lose their empty brackets.
  for (size_t at; (at = text.find("[]")) != std::string::npos;) text.erase(at, 2);
  return text;
}

std::string BuildAndRender(const std::vector<Rec>& recs) {
  const std::vector<FolderRecord> records = Records(recs);
  return Render(records, BuildFolderTree(records));
}

constexpr uint32_t kRootParent = 0xFFFFFFFF;

TEST(FolderTreeTest, DefensiveShapes) {
  const struct {
    const char* what;
    std::vector<Rec> records;
    const char* expected;
  } cases[] = {
      {"nested, in order",
       {{"OE", 0, kRootParent}, {"Local", 1, 0}, {"Inbox", 2, 1}, {"Work", 3, 2}, {"Sent", 4, 1}},
       "Local[Inbox[Work] Sent]"},
      {"children before parents",
       {{"Work", 3, 2}, {"Sent", 4, 1}, {"Inbox", 2, 1}, {"Local", 1, 0}, {"OE", 0, kRootParent}},
       "Local[Sent Inbox[Work]]"},
      {"no root record", {{"Local", 1, 0}, {"Inbox", 2, 1}}, "Local[Inbox]"},
      {"missing parent hangs under the root",
       {{"OE", 0, kRootParent}, {"Orphan", 5, 77}, {"Hotmail", 9, 0}}, "Orphan Hotmail"},
      {"root's parent value on an ordinary folder", {{"Odd", 3, kRootParent}}, "Odd"},
      {"itself as parent", {{"Local", 1, 0}, {"Self", 2, 2}, {"Below", 3, 2}}, "Local Self[Below]"},
      {"two-folder cycle", {{"A", 1, 2}, {"B", 2, 1}}, "A B"},
      {"cycle with a tail: the tail stays below the cycle",
       {{"Local", 1, 0}, {"A", 2, 3}, {"B", 3, 4}, {"C", 4, 2}, {"Tail", 5, 3}, {"Sub", 6, 1}},
       "Local[Sub] A B[Tail] C"},
      {"duplicated id: the first owns it, the later hangs under the root",
       {{"Local", 1, 0}, {"First", 2, 1}, {"Second", 2, 1}, {"Child", 3, 2}},
       "Local[First[Child]] Second"},
      {"second root record is an ordinary folder",
       {{"OE", 0, kRootParent}, {"OE again", 0, kRootParent}, {"Local", 1, 0}}, "OE again Local"},
      {"parent id 0 names the root even when it comes late",
       {{"Local", 1, 0}, {"OE", 0, kRootParent}}, "Local"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildAndRender(c.records), c.expected) << c.what;
}

TEST(FolderTreeTest, DeepNestingIsCappedAndNothingIsLost) {
  std::vector<Rec> chain;
  std::vector<std::string> names;
  const uint32_t depth = kMaxFolderDepth + 5;
  for (uint32_t k = 1; k <= depth; ++k) names.push_back(std::to_string(k));
  for (uint32_t k = 1; k <= depth; ++k) chain.push_back({names[k - 1].c_str(), k, k - 1});
  const std::vector<FolderRecord> records = Records(chain);
  const FolderTree tree = BuildFolderTree(records);
  ASSERT_EQ(tree.order.size(), depth);
  size_t deepest = 0;
  std::vector<size_t> levels(records.size(), 0);
  for (size_t i : tree.order) {
    levels[i] = tree.parent[i] == FolderTree::kTopLevel ? 1 : levels[tree.parent[i]] + 1;
    deepest = std::max(deepest, levels[i]);
  }
  EXPECT_EQ(deepest, kMaxFolderDepth);
  // The folders beyond the limit sit beside the deepest allowed one.
  const size_t holder = kMaxFolderDepth - 2;  // the record of folder 31, at depth 31
  for (size_t k = kMaxFolderDepth - 1; k < depth; ++k) EXPECT_EQ(tree.parent[k], holder) << k;
}

TEST(FolderTreeTest, LongChainsAndCyclesTakeLinearTime) {
  // 200,000 folders in one long cycle, and as many in one deep chain listed
  // children first: a walk that restarted from each folder would not finish.
  const uint32_t n = 200000;
  std::vector<FolderRecord> cycle(n), chain(n);
  for (uint32_t k = 0; k < n; ++k) {
    cycle[k].id = k + 1;
    cycle[k].parentId = (k + 1) % n + 1;
    chain[k].id = n - k;
    chain[k].parentId = n - k - 1;
  }
  const auto start = std::chrono::steady_clock::now();
  const FolderTree broken = BuildFolderTree(cycle);
  const FolderTree capped = BuildFolderTree(chain);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0);  // a quadratic walk takes minutes; CI machines are shared
  EXPECT_EQ(broken.order.size(), n);
  for (size_t p : broken.parent) EXPECT_EQ(p, FolderTree::kTopLevel);
  EXPECT_EQ(capped.order.size(), n);
  EXPECT_EQ(capped.order.front(), n - 1);  // id 1, the top of the chain, listed last
}

}  // namespace
}  // namespace quernel
