#include "platform/directories.h"

namespace quernel {

void MakeDirectories(FileSystem& fileSystem, const PathRules& paths, const std::string& path) {
  if (path.empty() || fileSystem.entryAt(path)) return;
  // Each step is shorter, so the walk up ends at the root or a relative top.
  const std::string parent = paths.directoryPart(path);
  if (!parent.empty() && parent.size() < path.size()) MakeDirectories(fileSystem, paths, parent);
  fileSystem.createDirectory(path);
}

}  // namespace quernel
