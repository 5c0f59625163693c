#include "cli/quernel_main.h"

#include "cli/batch_driver.h"
#include "cli/command_line.h"
#include "cli/imap_driver.h"
#include "cli/mailbox_code_page.h"
#include "cli/tree_driver.h"
#include "cli/usage.h"
#include "cli/version.h"
#include "platform/host.h"

namespace quernel {

int RunQuernel(const std::vector<std::string>& arguments, FileSystem& fileSystem,
               Console& console) {
  CommandLine commandLine = ParseCommandLine(arguments, fileSystem, SystemHost().positionals);
  switch (commandLine.action) {
    case CommandLine::Action::ShowUsage:
      console.write(kUsageText);
      return 0;
    case CommandLine::Action::ShowVersion:
      console.write(kVersionLine);
      return 0;
    case CommandLine::Action::Fail:
      console.write(commandLine.failureLine);
      return 1;
    case CommandLine::Action::Run:
      break;
  }
  if (commandLine.settings.codePage != 0 && !PrepareChosenCodePage(commandLine.settings, console)) return 1;
  // Taken only now: on Windows a chosen code page makes the host's text UTF-8.
  const Host& host = SystemHost();
  if (commandLine.settings.has(flags::kImap)) {
    return RunImapUpload(std::move(commandLine.settings), fileSystem, console, host);
  }
  if (commandLine.settings.has(flags::kTree)) {
    return RunTree(std::move(commandLine.settings), fileSystem, console, host);
  }
  return RunBatch(std::move(commandLine.settings), fileSystem, console, host);
}

}  // namespace quernel
