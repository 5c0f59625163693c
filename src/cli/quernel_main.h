#pragma once
// The whole program behind main(), with its file system and console passed in
// so that tests can run it against the in-memory file system.

#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

int RunQuernel(const std::vector<std::string>& arguments, FileSystem& fileSystem,
               Console& console);

}  // namespace quernel
