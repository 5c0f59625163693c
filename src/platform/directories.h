#pragma once
// Making a directory with the parents it lacks.

#include <string>

#include "platform/file_system.h"
#include "platform/path_rules.h"

namespace quernel {

// Creates `path` and every missing directory above it, as `mkdir -p` does.
// A level that cannot be made is left to the first file written below it,
// whose failure names the file.
void MakeDirectories(FileSystem& fileSystem, const PathRules& paths, const std::string& path);

}  // namespace quernel
