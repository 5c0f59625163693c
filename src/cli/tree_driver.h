#pragma once
// The "-tree" run: a whole Outlook Express store converted into its folder
// tree, in one format, inside the output folder.

#include <string>
#include <vector>

#include "cli/run_settings.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace quernel {

// `settings.inputs[0]` is the store folder or its folder list, and
// `settings.outputDirectory` the output folder; the command line has checked
// that there is at most one format. Returns the exit status, always 0.
// Paths, names and dates follow `host`'s rules.
int RunTree(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host);

// A folder of a store as "-tree" lays out an eml tree: its name's levels
// (the names -tree makes) and its mailbox file (empty: none).
struct StoreFolderPlace {
  std::vector<std::string> levels;
  std::string mailboxPath;
};

// The folders of the store in `settings.inputs[0]`, parents first, with the
// lines a -tree run prints about the folder list; for outputs that are not
// a folder on disk ("-imap").
std::vector<StoreFolderPlace> PlanStoreFolders(const RunSettings& settings, FileSystem& fileSystem,
                                               Console& console, const Host& host);

}  // namespace quernel
