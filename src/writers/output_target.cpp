#include "writers/output_target.h"

namespace quernel {

namespace {

// "Inbox.mbx.new", then "Inbox.mbx(1).new", ...: beside the file, so that the
// rename stays on its drive, and never matching the pattern of its kind.
std::string SidePath(const std::string& path, uint64_t number) {
  std::string side = path;
  if (number != 0) {
    side += '(';
    side += std::to_string(number);
    side += ')';
  }
  side += ".new";
  return side;
}

}  // namespace

OutputTarget::OutputTarget(FileSystem& fileSystem, std::string path, const std::optional<Entry>& existing)
    : fileSystem_(fileSystem), path_(std::move(path)) {
  if (existing && existing->kind == EntryKind::RegularFile) {
    for (uint64_t number = 0; !file_; ++number) {
      writtenPath_ = SidePath(path_, number);
      file_ = fileSystem_.createReplacement(path_, writtenPath_);
    }
    return;
  }
  // A directory or device in the way fails here, as it always has.
  writtenPath_ = path_;
  file_ = fileSystem_.createOutput(path_, CreateMode::Truncate);
}

OutputTarget::OutputTarget(FileSystem& fileSystem, std::string path, std::unique_ptr<OutputFile> file)
    : fileSystem_(fileSystem), path_(std::move(path)), writtenPath_(path_), file_(std::move(file)) {}

void OutputTarget::commit() {
  file_->close();
  if (replaces()) fileSystem_.renameFile(writtenPath_, path_);
}

}  // namespace quernel
