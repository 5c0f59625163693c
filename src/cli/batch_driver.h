#pragma once
// The batch driver: expands the inputs, converts every listed mailbox in turn,
// and prints the summaries.

#include <cstddef>
#include <string>
#include <vector>

#include "cli/run_settings.h"
#include "cli/run_writers.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace quernel {

// Every input expanded, in order; a file named twice is kept at its first
// place only, so it is neither converted nor counted twice.
std::vector<std::string> ListMailboxes(const std::vector<std::string>& inputs, FileSystem& fileSystem);

// The summary lines, one per format chosen: `counters` out of `listed`.
void PrintSummaries(const RunSettings& settings, const Counters& counters, size_t listed,
                    Console& console);

// Without a format option: mboxo, and a line that says so.
void ChooseDefaultFormat(RunSettings& settings, Console& console);

// Runs a parsed command line; returns the exit status (always 0 here, since
// command-line errors are caught before). Paths, names and dates follow
// `host`'s rules.
int RunBatch(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host);

}  // namespace quernel
