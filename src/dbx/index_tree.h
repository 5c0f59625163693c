#pragma once
// The message index tree: which records a mailbox holds, in their order.

#include <cstdint>
#include <vector>

#include "dbx/file_window.h"

namespace quernel::dbx {

// The values of the tree rooted at `root`, in order: a node's first child's
// subtree, then each entry's value followed by its child's subtree.
//
// The walk keeps its own stack, so the depth of a crafted tree cannot exhaust
// the program's stack. It raises CorruptionError OffsetOutOfRange for a node
// at or beyond the end of the file, and for a node or an entry that the end
// of the file cuts off (missing bytes read as zeros would make a message of
// whatever lies at offset 0). It raises Unspecified when it meets a node a
// second time, visits more nodes than the file has room for (length / 0x18)
// or finds more values than it has room for (length / 12). A node met twice is
// refused wherever it is met, not only on the current path: the nodes of a
// real tree are never shared, and refusing any revisit also keeps a crafted
// tree that shares subtrees from multiplying its values.
std::vector<uint32_t> ReadIndexTree(FileWindow& window, uint32_t root);

}  // namespace quernel::dbx
