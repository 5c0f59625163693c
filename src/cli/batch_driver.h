#pragma once
// The batch driver: expands the inputs, converts every listed mailbox in turn,
// and prints the summaries.

#include "cli/run_settings.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

// Runs a parsed command line; returns the exit status (always 0 here, since
// command-line errors are caught before).
int RunBatch(RunSettings settings, FileSystem& fileSystem, Console& console);

}  // namespace quernel
