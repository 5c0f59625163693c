#pragma once
// The files of an Outlook Express store folder: which of them hold mail, and
// which one a folder record's file name means.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text_rules.h"

namespace quernel {

// True for a ".dbx" file (the extension in any letter case) other than the
// ones Outlook Express keeps for itself: Folders.dbx (the folder list),
// Offline.dbx and Pop3uidl.dbx. Its cleanup log, Cleanup.log, is no ".dbx"
// file and so never counts either.
bool IsStoreMailboxFile(std::string_view fileName);

// `name` with every letter in lower case, for comparing names the way
// Windows and macOS do; `text` is the host's text rules, which file names
// are spelled in.
std::string FoldedName(std::string_view name, const TextRules& text);

// The mailbox files among a store's directory entries (file names without
// their directory), sorted byte for byte, so that the result does not depend
// on the order in which the platform lists them. Each can be claimed once.
class StoreMailboxFiles {
 public:
  // `text` (FoldedName) outlives the object.
  StoreMailboxFiles(const std::vector<std::string>& entries, const TextRules& text);

  // Claims the file that `fileName` names: the file of exactly that name, or
  // else the first one whose name differs only in letter case; nothing when
  // no unclaimed file matches. Only whole entry names match, so a name with
  // a directory part never does.
  std::optional<std::string> claim(std::string_view fileName);

  // The files no claim took, in sorted order.
  std::vector<std::string> unclaimed() const;

 private:
  std::optional<size_t> find(std::string_view fileName) const;

  const TextRules& text_;
  std::vector<std::string> files_;
  std::vector<bool> claimed_;
  std::unordered_map<std::string, size_t> byName_;
  std::unordered_map<std::string, std::vector<size_t>> byFoldedName_;  // sorted order
};

}  // namespace quernel
