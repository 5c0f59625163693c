#pragma once
// OutputTarget: the file that one mbox or one .eml file is written to.
//
// A file that stands at the output path already (an earlier run's) is
// replaced only by a complete result: the new bytes go to a file beside it,
// "<name>.new" (or "<name>(1).new", ... when that name is taken), which is
// renamed over it when the writer commits. A writer that fails leaves the
// earlier file exactly as it was, and what it wrote under the side name.

#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quernel {

class OutputTarget {
 public:
  // Creates the output for `path`, where `existing` is what entryAt found
  // there: beside an existing regular file, otherwise at `path` itself as
  // createOutput(path, Truncate) does. Raises the FileError of that create.
  OutputTarget(FileSystem& fileSystem, std::string path, const std::optional<Entry>& existing);

  // Writes to `file`, created at `path` already.
  OutputTarget(FileSystem& fileSystem, std::string path, std::unique_ptr<OutputFile> file);

  OutputFile& file() { return *file_; }

  // Where the bytes go: the output path, or the file beside it.
  const std::string& writtenPath() const { return writtenPath_; }

  bool replaces() const { return writtenPath_ != path_; }

  // Closes the file and, when it replaces an earlier one, renames it over
  // that. Raises FileError; the earlier file is then as it was, and the new
  // bytes stay at writtenPath().
  void commit();

 private:
  FileSystem& fileSystem_;
  std::string path_;
  std::string writtenPath_;
  std::unique_ptr<OutputFile> file_;
};

}  // namespace quernel
