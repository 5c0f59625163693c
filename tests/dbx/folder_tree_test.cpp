#include "dbx/folder_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "support/folder_list_builder.h"
#include "support/string_input_file.h"

namespace quernel::testing {
namespace {

constexpr uint32_t kRootParent = 0xFFFFFFFF;

// The folders in walk order, each as "name<parent name" or just "name" at
// the top level; the walk must put parents first and the root nowhere.
std::string Render(const std::vector<FolderRecord>& records, const FolderTree& tree) {
  std::string text;
  std::vector<bool> placed(records.size(), false);
  for (size_t i : tree.order) {
    const size_t parent = tree.parent[i];
    if (tree.isRoot[i] || (parent != FolderTree::kTopLevel && !placed[parent])) return "bad order";
    text += (text.empty() ? "" : " ") + records[i].name;
    if (parent != FolderTree::kTopLevel) text += "<" + records[parent].name;
    placed[i] = true;
  }
  return text;
}

TEST(FolderTreeTest, DefensiveShapesFromBuiltFolderLists) {
  const struct {
    const char* what;
    std::vector<TestFolder> folders;
    const char* expected;
  } cases[] = {
      {"nested, children before parents",
       {{.id = 3, .parent = 2, .name = "Work"}, {.id = 4, .parent = 1, .name = "Sent"},
        {.id = 2, .parent = 1, .name = "Inbox"}, {.id = 1, .parent = 0, .name = "Local"},
        {.id = 0, .parent = kRootParent, .name = "OE"}},
       "Local Sent<Local Inbox<Local Work<Inbox"},
      {"missing parent and no parent entry hang under the root",
       {{.id = 5, .parent = 77, .name = "Orphan"}, {.id = 9, .name = "Hotmail"},
        {.id = 3, .parent = kRootParent, .name = "Odd"}},
       "Orphan Hotmail Odd"},
      {"itself as parent; its children stay with it",
       {{.id = 2, .parent = 2, .name = "Self"}, {.id = 3, .parent = 2, .name = "Below"}},
       "Self Below<Self"},
      {"a cycle goes to the root; the folder hanging off it stays below it",
       {{.id = 2, .parent = 3, .name = "A"}, {.id = 3, .parent = 4, .name = "B"},
        {.id = 4, .parent = 2, .name = "C"}, {.id = 5, .parent = 3, .name = "Tail"}},
       "A B Tail<B C"},
      {"duplicated id: the first owns it, the later hangs under the root",
       {{.id = 1, .name = "Local"}, {.id = 2, .parent = 1, .name = "First"},
        {.id = 2, .parent = 1, .name = "Second"}, {.id = 3, .parent = 2, .name = "Child"}},
       "Local First<Local Child<First Second"},
      {"only the first id-0 record is the root",
       {{.id = 0, .parent = kRootParent, .name = "OE"}, {.id = 0, .parent = kRootParent, .name = "Again"},
        {.id = 1, .parent = 0, .name = "Local"}},
       "Again Local"},
  };
  for (const auto& c : cases) {
    StringInputFile file(BuildFolderList(c.folders).bytes);
    const std::vector<FolderRecord> records = ReadFolderList(file).folders;
    EXPECT_EQ(Render(records, BuildFolderTree(records)), c.expected) << c.what;
  }
}

TEST(FolderTreeTest, DeepNestingIsCappedAndNothingIsLost) {
  const uint32_t depth = kMaxFolderDepth + 5;
  std::vector<FolderRecord> chain(depth);
  for (uint32_t k = 0; k < depth; ++k) {
    chain[k].id = k + 1;
    chain[k].parentId = k;
  }
  const FolderTree tree = BuildFolderTree(chain);
  ASSERT_EQ(tree.order.size(), depth);
  // The folders beyond the limit sit beside the deepest allowed one, under
  // the folder at depth 31.
  for (size_t k = 1; k < depth; ++k) {
    EXPECT_EQ(tree.parent[k], k < kMaxFolderDepth ? k - 1 : kMaxFolderDepth - 2) << k;
  }
}

TEST(FolderTreeTest, LongChainsAndCyclesTakeLinearTime) {
  // 200,000 folders in one cycle, and as many in one deep chain listed
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
  EXPECT_EQ(std::count(broken.parent.begin(), broken.parent.end(), FolderTree::kTopLevel), n);
  EXPECT_EQ(capped.order.size(), n);
  EXPECT_EQ(capped.order.front(), n - 1);  // id 1, the top of the chain, listed last
}

}  // namespace
}  // namespace quernel::testing
