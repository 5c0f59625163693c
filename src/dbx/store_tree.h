#pragma once
// The folders of a whole store that are worth converting, as a tree: the
// folder list's tree, with each folder's mailbox file found among the
// store's files, plus every mailbox file that no folder names.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dbx/folder_list.h"
#include "platform/code_page.h"
#include "platform/text_rules.h"

namespace quernel {

struct StoreFolder {
  // The display name in the character set the converter makes names in; for
  // a file no folder names, the file's name without ".dbx".
  std::string name;
  // The store's file that holds its messages, as the directory lists it;
  // empty for a folder without one.
  std::string mailboxFile;
  size_t parent = SIZE_MAX;  // index into StoreTree::folders; SIZE_MAX: top level
  bool listed = true;        // false for a file no folder names
  std::optional<uint32_t> messageCount;  // as the folder list gives it
  uint32_t specialFolder = 0;
};

struct StoreTree {
  static constexpr size_t kTopLevel = SIZE_MAX;
  // The folders to convert, parents before their children: first the listed
  // folders, depth first in list order, then the files no folder names,
  // sorted by name.
  std::vector<StoreFolder> folders;
  // The code page the listed names were converted from: they are cleaned,
  // cut and compared in letter case by its characters.
  int codePage = 1252;
};

// A listed folder is converted when its mailbox file is in the store, when a
// folder below it is converted, or when it belongs to the local store (its
// account kind is 3 or its account key "LocalStore", or it states neither
// and its parent belongs): the local folders make a whole tree even where
// Outlook Express has not yet made their files. The rest (newsgroups never
// opened, accounts without files) are left out.
//
// `directoryEntries` are the names of the files in the store folder. A
// folder's file name is converted with `converter` and matched against them
// (see StoreMailboxFiles); a file goes to the first folder in list order that
// names it. Display names are converted with `converter` as well. File
// names are compared by the host's text rules `text`.
StoreTree BuildStoreTree(const std::vector<FolderRecord>& records,
                         const std::vector<std::string>& directoryEntries,
                         const CodePageConverter& converter, const TextRules& text);

}  // namespace quernel
