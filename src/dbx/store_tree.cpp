#include "dbx/store_tree.h"

#include <algorithm>

#include "dbx/folder_tree.h"
#include "dbx/store_files.h"

namespace quernel {

namespace {

constexpr size_t kTop = FolderTree::kTopLevel;
constexpr std::string_view kLocalStoreKey = "localstore";

bool IsLocalStoreKey(std::string_view key) {
  return key.size() == kLocalStoreKey.size() &&
         std::equal(key.begin(), key.end(), kLocalStoreKey.begin(), [](char a, char b) {
           return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
         });
}

// Each listed record's mailbox file, claimed in list order.
std::vector<std::string> ClaimFiles(const std::vector<FolderRecord>& records, const FolderTree& tree,
                                    StoreMailboxFiles& files, const CodePageConverter& converter) {
  std::vector<std::string> claimed(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    if (tree.isRoot[i] || records[i].fileName.empty()) continue;
    // Matched as the directory lists the files: in the program's own text.
    std::string name = converter.toNative(records[i].fileName);
    converter.toProgramText(name);
    claimed[i] = files.claim(name).value_or("");
  }
  return claimed;
}

std::vector<bool> LocalStoreMembers(const std::vector<FolderRecord>& records, const FolderTree& tree) {
  std::vector<bool> local(records.size(), false);
  for (size_t i : tree.order) {
    const FolderRecord& r = records[i];
    const bool statesNothing = !r.accountKind && r.accountKey.empty();
    local[i] = r.accountKind == kAccountLocalStore || IsLocalStoreKey(r.accountKey) ||
               (statesNothing && tree.parent[i] != kTop && local[tree.parent[i]]);
  }
  return local;
}

// Children come after their parents in the order, so walking it backwards
// settles every child before its parent.
std::vector<bool> IncludedFolders(const std::vector<FolderRecord>& records, const FolderTree& tree,
                                  const std::vector<std::string>& files) {
  const std::vector<bool> local = LocalStoreMembers(records, tree);
  std::vector<bool> included(records.size(), false);
  for (auto it = tree.order.rbegin(); it != tree.order.rend(); ++it) {
    const size_t i = *it;
    if (!files[i].empty() || local[i]) included[i] = true;
    if (included[i] && tree.parent[i] != kTop) included[tree.parent[i]] = true;
  }
  return included;
}

StoreFolder Listed(const FolderRecord& record, std::string file, const CodePageConverter& converter) {
  StoreFolder folder;
  folder.name = converter.toNative(record.name);
  folder.mailboxFile = std::move(file);
  folder.messageCount = record.messageCount;
  folder.specialFolder = record.specialFolder;
  return folder;
}

StoreFolder Unlisted(const std::string& file, const CodePageConverter& converter) {
  StoreFolder folder;
  folder.name = converter.fromProgramText(file.substr(0, file.size() - std::string_view(".dbx").size()));
  folder.mailboxFile = file;
  folder.listed = false;
  return folder;
}

}  // namespace

StoreTree BuildStoreTree(const std::vector<FolderRecord>& records,
                         const std::vector<std::string>& directoryEntries,
                         const CodePageConverter& converter, const TextRules& text) {
  const FolderTree tree = BuildFolderTree(records);
  StoreMailboxFiles files(directoryEntries, text);
  std::vector<std::string> claimed = ClaimFiles(records, tree, files, converter);
  const std::vector<bool> included = IncludedFolders(records, tree, claimed);

  StoreTree store;
  store.codePage = converter.codePage();
  std::vector<size_t> position(records.size(), kTop);  // record -> index in store.folders
  for (size_t i : tree.order) {
    if (!included[i]) continue;
    position[i] = store.folders.size();
    store.folders.push_back(Listed(records[i], std::move(claimed[i]), converter));
    if (tree.parent[i] != kTop) store.folders.back().parent = position[tree.parent[i]];
  }
  for (const std::string& file : files.unclaimed()) store.folders.push_back(Unlisted(file, converter));
  return store;
}

}  // namespace quernel
