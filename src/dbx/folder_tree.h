#pragma once
// The folder tree of a folder list, built defensively: records may come in
// any order, name ids twice, name parents that do not exist, or form cycles.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dbx/folder_list.h"

namespace quernel {

// Folders nested deeper than this hang at this depth, under the deepest
// ancestor allowed: it bounds every output path's length and the plan's
// memory, and real stores stay far below it.
inline constexpr size_t kMaxFolderDepth = 32;

struct FolderTree {
  static constexpr size_t kTopLevel = SIZE_MAX;

  // Per record: the index of the record it hangs under, or kTopLevel for a
  // folder directly under the root (and for the root record itself).
  std::vector<size_t> parent;
  // Per record: true for the root record ("Outlook Express"), the first
  // record with id 0. It is the output folder itself, not a folder in it.
  std::vector<bool> isRoot;
  // Every record but the root, parents before their children and siblings
  // in list order (a depth-first walk from the top level).
  std::vector<size_t> order;
};

// Where each record hangs. A record hangs under the root when its parent id
// is 0, names no record, names itself, or leads into a cycle (every folder on
// the cycle hangs under the root; folders below the cycle stay where they
// are). An id that occurs again belongs to its first record; the later
// records with it hang under the root. Runs in time linear in the records.
FolderTree BuildFolderTree(const std::vector<FolderRecord>& records);

}  // namespace quernel
