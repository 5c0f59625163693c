#pragma once
// Parsing of quernel's command line into RunSettings.

#include <string>
#include <vector>

#include "cli/run_settings.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace quernel {

struct CommandLine {
  enum class Action { ShowUsage, ShowVersion, Fail, Run };
  Action action = Action::Run;
  std::string failureLine;  // printed before exiting with status 1
  RunSettings settings;
};

// `arguments` excludes the program name. The file system is asked only
// whether the last positional argument names a regular file (Linux rule).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, FileSystem& fileSystem,
                             PositionalStyle style);

}  // namespace quernel
