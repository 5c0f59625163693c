#pragma once
// Where each folder of a store goes in the output folder, for the three tree
// layouts: Thunderbird's local folders for mbox, nested directories for eml,
// a Maildir++ tree for Maildir.

#include <cstddef>
#include <string>
#include <vector>

#include "dbx/store_tree.h"
#include "platform/host.h"

namespace quernel {

enum class TreeLayout {
  // Each folder is an mbox file named after it (no extension); its
  // subfolders live in the directory of that name plus ".sbd".
  Mbox,
  // Each folder is a directory named after it, holding its messages' files
  // and its subfolders' directories.
  Eml,
  // The output folder is a Maildir; each folder is the Maildir
  // ".<name>.<name>..." beside it, its path joined by "." (Maildir++, as
  // Dovecot reads it), so "." inside a name becomes kMaildirDotStandIn.
  Maildir,
};

// What stands for "." inside a folder name in the Maildir layout.
inline constexpr char kMaildirDotStandIn = '_';

struct PlannedFolder {
  std::string name;  // one path component, unique among its siblings
  size_t parent = StoreTree::kTopLevel;  // as in the store tree
  bool hasSubfolders = false;
};

// Paths are made on demand from the names, one at a time: kept for every
// folder they would cost memory of the folder count times the depth.
struct TreePlan {
  TreeLayout layout = TreeLayout::Mbox;
  std::vector<PlannedFolder> folders;  // one per store folder, same index
  const PathRules* paths = nullptr;    // the host's, which path() joins by

  // Folder i's mbox file (Mbox), directory (Eml) or Maildir (Maildir),
  // relative to the output folder and joined by `paths`.
  std::string path(size_t i) const;
  // The relative directory that holds folder i's subfolders: its path plus
  // ".sbd" (Mbox), or its path itself (Eml); empty in the Maildir layout,
  // whose folders are all in the output folder.
  std::string subfolderDirectory(size_t i) const;

 private:
  std::string subfolderHolder(std::string folderPath) const;
};

// Parents come before children, as in the store tree, so directories can be
// made in this order one level at a time. Names are cleaned with
// CleanFolderName; an empty result falls back to the mailbox file's name
// without ".dbx", then to "Unnamed folder". Siblings get names that differ in
// more than letter case (the letters of the store's code page), numbered as the eml writer numbers a taken name
// ("Inbox(1)"); in the Mbox layout a folder also keeps "<name>.sbd" and
// "<name>.msf" (Thunderbird's index file) free of its siblings. No name is
// empty, "." or "..", or holds a separator, so no path leaves the output
// folder. With `foundSets` ("-recover") the names of a folder's found sets
// are kept free too: "<name>.recovered" and the like beside an mbox folder
// (with their ".msf"), "recovered" and the like among an eml folder's
// subfolders, "recovered" and the like among a Maildir folder's subfolders
// (".<path>.recovered").
//
// In the Maildir layout a folder's directory name holds its whole path, so
// it is kept to 255 bytes of the program's text (UTF-8, also under Windows
// once a code page is chosen), less the room of its found sets' suffix with
// `foundSets`: where the names below a folder would pass that, its name is
// cut on a character boundary to what the deepest levels below it leave, or
// to an even share of the room where that is more, so that each level below
// gets at least as much; a child's name still begins with its parent's.
//
// The names are made in the character set of the store's names, which
// `converter` made, and handed out in the program's own text. `host` gives
// the separator, the cleaning's text rules and whether its file systems
// refuse the Windows device names (CleanFolderName's `windowsRules`); it
// outlives the plan.
TreePlan PlanTree(const StoreTree& store, TreeLayout layout, const Host& host,
                  const CodePageConverter& converter, bool foundSets = false);

}  // namespace quernel
