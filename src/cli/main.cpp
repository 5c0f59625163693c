#include <string>
#include <vector>

#include "cli/quernel_main.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"

int main(int argc, char** argv) {
  quernel::InitializeHost();
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  auto fileSystem = quernel::MakeNativeFileSystem();
  quernel::StdoutConsole console;
  return quernel::RunQuernel(arguments, *fileSystem, console);
}
