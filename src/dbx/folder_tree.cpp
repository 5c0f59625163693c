#include "dbx/folder_tree.h"

#include <unordered_map>

namespace quernel {

namespace {

constexpr size_t kTop = FolderTree::kTopLevel;

// Parent links by id. Duplicated ids, parents that are missing, the record
// itself or the root, all end at the top level.
std::vector<size_t> LinkParents(const std::vector<FolderRecord>& records, std::vector<bool>& isRoot) {
  const size_t n = records.size();
  std::unordered_map<uint32_t, size_t> owner;
  std::vector<bool> repeated(n, false);
  for (size_t i = 0; i < n; ++i) repeated[i] = !owner.try_emplace(records[i].id, i).second;
  isRoot.assign(n, false);
  if (const auto root = owner.find(0); root != owner.end()) isRoot[root->second] = true;

  std::vector<size_t> parent(n, kTop);
  for (size_t i = 0; i < n; ++i) {
    if (isRoot[i] || repeated[i]) continue;
    const auto found = owner.find(records[i].parentId);
    if (found != owner.end() && found->second != i && !isRoot[found->second]) {
      parent[i] = found->second;
    }
  }
  return parent;
}

// Every folder on a cycle of parent links goes to the top level. Each record
// is walked once: a walk stops at the first record an earlier walk has seen.
void BreakCycles(std::vector<size_t>& parent) {
  std::vector<size_t> walk(parent.size(), 0);  // 0: not seen; else 1 + start
  for (size_t start = 0; start < parent.size(); ++start) {
    if (walk[start] != 0) continue;
    size_t at = start;
    while (at != kTop && walk[at] == 0) {
      walk[at] = start + 1;
      at = parent[at];
    }
    if (at == kTop || walk[at] != start + 1) continue;  // ended in known ground
    const size_t entry = at;  // this walk came round to itself
    do {
      const size_t next = parent[at];
      parent[at] = kTop;
      at = next;
    } while (at != entry);
  }
}

std::vector<std::vector<size_t>> ChildLists(const std::vector<size_t>& parent,
                                            const std::vector<bool>& isRoot,
                                            std::vector<size_t>& topLevel) {
  std::vector<std::vector<size_t>> children(parent.size());
  for (size_t i = 0; i < parent.size(); ++i) {
    if (isRoot[i]) continue;
    (parent[i] == kTop ? topLevel : children[parent[i]]).push_back(i);
  }
  return children;
}

// Depth-first from the top level, without recursion: the list is untrusted.
std::vector<size_t> WalkOrder(const std::vector<size_t>& parent, const std::vector<bool>& isRoot) {
  std::vector<size_t> topLevel;
  const std::vector<std::vector<size_t>> children = ChildLists(parent, isRoot, topLevel);
  std::vector<size_t> order;
  std::vector<size_t> stack(topLevel.rbegin(), topLevel.rend());
  while (!stack.empty()) {
    const size_t folder = stack.back();
    stack.pop_back();
    order.push_back(folder);
    stack.insert(stack.end(), children[folder].rbegin(), children[folder].rend());
  }
  return order;
}

// Parents come before children in `order`, so each depth is final when used.
bool CapDepth(std::vector<size_t>& parent, const std::vector<size_t>& order) {
  std::vector<size_t> depth(parent.size(), 0);
  bool moved = false;
  for (size_t folder : order) {
    size_t& up = parent[folder];
    if (up != kTop && depth[up] == kMaxFolderDepth) {
      up = parent[up];
      moved = true;
    }
    depth[folder] = up == kTop ? 1 : depth[up] + 1;
  }
  return moved;
}

}  // namespace

FolderTree BuildFolderTree(const std::vector<FolderRecord>& records) {
  FolderTree tree;
  tree.parent = LinkParents(records, tree.isRoot);
  BreakCycles(tree.parent);
  tree.order = WalkOrder(tree.parent, tree.isRoot);
  if (CapDepth(tree.parent, tree.order)) tree.order = WalkOrder(tree.parent, tree.isRoot);
  return tree;
}

}  // namespace quernel
