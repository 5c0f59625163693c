// Fuzz target: a store's folder list over arbitrary bytes, through the whole
// tree engine. The folder list is read (a defective one may raise FileError,
// nothing else may go wrong), its tree built against a store directory made
// from its own file names, and planned in both layouts under both name
// rules, with and without room for found sets. Every plan must keep every
// mailbox file once and name every folder with a safe path component,
// unique among its siblings and their found sets.

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dbx/folder_list.h"
#include "dbx/folder_tree.h"
#include "dbx/store_files.h"
#include "dbx/store_tree.h"
#include "naming/folder_name.h"
#include "platform/file_error.h"
#include "platform/host.h"
#include "support/string_input_file.h"
#include "support/test_code_page.h"
#include "support/test_hosts.h"
#include "writers/found_sets.h"
#include "writers/tree_plan.h"

namespace {

using namespace quernel;

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// Every other folder's file is in the store, so that some names match and
// some do not, beside a file no folder names and the store's own files.
std::vector<std::string> StoreEntries(const std::vector<FolderRecord>& records,
                                      const CodePageConverter& converter) {
  std::vector<std::string> entries = {"Folders.dbx", "Unlisted.dbx", "inbox.DBX", "Cleanup.log"};
  for (size_t i = 0; i < records.size(); i += 2) entries.push_back(converter.toNative(records[i].fileName));
  return entries;
}

// Each mailbox file of the store is some folder's file, once.
void CheckNothingLost(const StoreTree& store, const std::vector<std::string>& entries) {
  std::set<std::string> expected;
  for (const std::string& entry : entries) {
    if (IsStoreMailboxFile(entry)) expected.insert(entry);
  }
  std::multiset<std::string> found;
  for (const StoreFolder& folder : store.folders) {
    if (!folder.mailboxFile.empty()) found.insert(folder.mailboxFile);
  }
  Require(found.size() == expected.size());
  Require(std::set<std::string>(found.begin(), found.end()) == expected);
}

bool SafeComponent(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c < 0x20 || c == '/' || c == '\\' || c == ':') return false;
  }
  return name.size() <= kMaxFolderNameBytes + 22;  // room for "(n)"
}

void CheckPlan(const StoreTree& store, const TreePlan& plan, bool foundSets) {
  Require(plan.folders.size() == store.folders.size());
  std::map<size_t, std::set<std::string>> siblings;  // the names taken in each directory
  std::vector<size_t> depth(plan.folders.size(), 1);
  for (size_t i = 0; i < plan.folders.size(); ++i) {
    const PlannedFolder& folder = plan.folders[i];
    Require(SafeComponent(folder.name));
    std::set<std::string>& taken = siblings[folder.parent];
    const std::string folded = FoldedFolderName(folder.name, store.codePage);
    Require(taken.insert(folded).second);
    for (const FoundSet& set : kFoundSets) {
      if (!foundSets) break;
      if (plan.layout == TreeLayout::Mbox) Require(taken.insert(folded + TreeSetPath("", set.name)).second);
      if (plan.layout == TreeLayout::Eml) siblings[i].insert(std::string(set.name));
    }
    if (folder.parent != StoreTree::kTopLevel) {
      Require(folder.parent < i);
      depth[i] = depth[folder.parent] + 1;
    }
    Require(depth[i] <= kMaxFolderDepth);
  }
  // Paths of a few folders, the deepest among them: made on demand, they
  // must start inside the output folder.
  for (size_t i = 0; i < plan.folders.size(); i += 1 + plan.folders.size() / 8) {
    const std::string path = plan.path(i);
    Require(!path.empty() && path[0] != '/' && path[0] != '\\');
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  testing::StringInputFile file(std::string(reinterpret_cast<const char*>(data), size),
                                "/fuzz/Folders.dbx");
  FolderListFile list;
  try {
    list = ReadFolderList(file);
  } catch (const FileError&) {
    return 0;
  }
  const testing::Windows1252TestConverter converter;
  const std::vector<std::string> entries = StoreEntries(list.folders, converter);
  const StoreTree store = BuildStoreTree(list.folders, entries, converter, SystemHost().text);
  CheckNothingLost(store, entries);
  for (TreeLayout layout : {TreeLayout::Mbox, TreeLayout::Eml}) {
    for (bool windowsRules : {false, true}) {
      for (bool foundSets : {false, true}) {
        CheckPlan(store, PlanTree(store, layout, windowsRules ? testing::WindowsRulesHost() : SystemHost(), converter, foundSets), foundSets);
      }
    }
  }
  return 0;
}
