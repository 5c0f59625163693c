#pragma once
// The "-tree" run: a whole Outlook Express store converted into its folder
// tree, in one format, inside the output folder.

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

}  // namespace quernel
