#include "platform/web/web_file_system.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <list>

#include "platform/file_time.h"
#include "platform/web/browser_files.h"

namespace quernel {
namespace {

// Inputs are read from the browser in slices (WebFileSystem::kInputSlice),
// the last few kept per open file: the reader asks for many small pieces in
// a few places at once (index, records, message texts), the records of a
// large mailbox lie a few KiB apart all over it, and each call into the
// browser costs a few microseconds, as much as copying some KiB.
constexpr uint64_t kSlice = WebFileSystem::kInputSlice;
constexpr size_t kKeptSlices = 4;
// Written bytes leave the module's memory in pieces of about this size.
constexpr size_t kKeepPiece = 1 << 20;

class WebInputFile final : public InputFile {
 public:
  WebInputFile(std::unique_ptr<InputFile> entry, WebFileSystem::Input input, std::function<void(size_t)> counted)
      : entry_(std::move(entry)), input_(input), counted_(std::move(counted)) {}

  size_t readAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset >= input_.length) return 0;
    size = static_cast<size_t>(std::min<uint64_t>(size, input_.length - offset));
    if (size >= kSlice) return readFromBrowser(offset, buffer, size);
    size_t done = 0;
    while (done < size) {
      const uint64_t at = offset + done;
      const std::string& slice = sliceAt(at - at % kSlice);
      const uint64_t skip = at % kSlice;
      if (skip >= slice.size()) break;  // the file became shorter
      const size_t piece = std::min<size_t>(size - done, slice.size() - skip);
      std::memcpy(static_cast<char*>(buffer) + done, slice.data() + skip, piece);
      done += piece;
    }
    return done;
  }

  uint64_t length() const override { return input_.length; }
  const std::string& path() const override { return entry_->path(); }
  std::optional<FileTimeTicks> lastWriteTime() const override { return entry_->lastWriteTime(); }

 private:
  std::unique_ptr<InputFile> entry_;  // holds the in-memory file system's lock
  WebFileSystem::Input input_;
  std::function<void(size_t)> counted_;
  std::list<std::pair<uint64_t, std::string>> slices_;  // by start, the last used first
  std::vector<bool> sliceRead_;                         // by slice number

  // Counts only what was not read before, so that the progress bar ends
  // where the input does however often the reader goes back.
  size_t readFromBrowser(uint64_t offset, void* buffer, size_t size, bool counts = true) {
    const size_t read = static_cast<size_t>(
        quernel_read_file(input_.file, static_cast<double>(offset), buffer, size));
    if (counts) counted_(read);
    return read;
  }

  bool firstRead(uint64_t sliceStart) {
    const size_t index = static_cast<size_t>(sliceStart / kSlice);
    if (index >= sliceRead_.size()) sliceRead_.resize(index + 1);
    if (sliceRead_[index]) return false;
    sliceRead_[index] = true;
    return true;
  }

  const std::string& sliceAt(uint64_t start) {
    for (auto slice = slices_.begin(); slice != slices_.end(); ++slice) {
      if (slice->first != start) continue;
      slices_.splice(slices_.begin(), slices_, slice);
      return slices_.front().second;
    }
    if (slices_.size() == kKeptSlices) slices_.pop_back();
    std::string bytes(static_cast<size_t>(std::min<uint64_t>(kSlice, input_.length - start)), '\0');
    bytes.resize(readFromBrowser(start, bytes.data(), bytes.size(), firstRead(start)));
    slices_.emplace_front(start, std::move(bytes));
    return slices_.front().second;
  }
};

class WebOutputFile final : public OutputFile {
 public:
  WebOutputFile(std::unique_ptr<OutputFile> entry, WebFileSystem& files, std::shared_ptr<WebFileSystem::Output> output)
      : entry_(std::move(entry)), files_(files), output_(std::move(output)) {}
  ~WebOutputFile() override {
    if (!closed_) files_.closed(output_);
  }

  void write(std::span<const std::string_view> pieces) override {
    for (std::string_view piece : pieces) {
      output_->held.append(piece);
      output_->crc.add(piece);
      output_->size += piece.size();
    }
    if (output_->held.size() >= kKeepPiece) output_->keepHeld();
  }

  bool stamp(int64_t unixSeconds) override { return entry_->stamp(unixSeconds); }

  void close() override {
    if (!closed_) files_.closed(output_);
    closed_ = true;
    entry_->close();
  }

  FileIdentity identity() override { return entry_->identity(); }

 private:
  std::unique_ptr<OutputFile> entry_;
  WebFileSystem& files_;
  std::shared_ptr<WebFileSystem::Output> output_;
  bool closed_ = false;
};

bool IsBelow(const std::string& path, const std::string& directory) {
  return path.size() > directory.size() + 1 && path.compare(0, directory.size(), directory) == 0 &&
         path[directory.size()] == '/';
}

}  // namespace

void WebFileSystem::addInput(const std::string& path, int file, uint64_t length,
                             std::optional<FileTimeTicks> lastWrite) {
  structure_.addFile(path, {}, lastWrite);
  inputs_[structure_.entryAt(path)->identity.file] = {file, length};
}

void WebFileSystem::addDirectory(const std::string& path) { structure_.addDirectory(path); }

std::unique_ptr<InputFile> WebFileSystem::openInput(const std::string& path) {
  std::unique_ptr<InputFile> entry = structure_.openInput(path);
  const auto input = inputs_.find(structure_.entryAt(path)->identity.file);
  if (input == inputs_.end()) return entry;  // an output read back: the engine never does this
  return std::make_unique<WebInputFile>(std::move(entry), input->second, [this](size_t bytes) { countRead(bytes); });
}

void WebFileSystem::Output::keepHeld() {
  if (!held.empty()) quernel_keep_bytes(contents, held.data(), held.size());
  std::string().swap(held);
  kept = true;
}

void WebFileSystem::closed(const std::shared_ptr<Output>& output) {
  if (output->kept) {
    output->keepHeld();
    return;
  }
  output->closed = true;
  closed_.push_back(output);
  heldBytes_ += output->held.size();
  while (heldBytes_ > kHeldBytes && !closed_.empty()) {
    const std::shared_ptr<Output> oldest = closed_.front();
    closed_.pop_front();
    if (!oldest->closed) continue;  // reopened or removed since
    oldest->closed = false;
    heldBytes_ -= oldest->held.size();
    if (zip_ && IsBelow(oldest->path, zipDirectory_)) {
      addToZip(*oldest);
    } else {
      oldest->keepHeld();
    }
  }
}

void WebFileSystem::addToZip(Output& output) {
  const std::string name = output.path.substr(zipDirectory_.size() + 1);
  const ZipEntry entry{name, false, output.size, output.crc.value(), structure_.mtimeOf(output.path).value_or(0),
                       static_cast<uint64_t>(output.contents)};
  output.zipEntry = zip_->add(entry, output.held);
  std::string().swap(output.held);
}

void WebFileSystem::reopen(Output& output, bool keepBytes) {
  if (output.closed) {
    output.closed = false;
    heldBytes_ -= output.held.size();
  }
  if (!output.zipEntry) return;
  zip_->remove(*output.zipEntry);
  if (keepBytes && output.size > 0) {
    zip_->flush();
    quernel_keep_zipped(output.contents, static_cast<double>(zip_->contentsOffset(*output.zipEntry)),
                        static_cast<double>(output.size));
  }
  output.kept = true;
  output.zipEntry.reset();
}

void WebFileSystem::zipInto(ZipWriter& zip, const std::string& directory) {
  zip_ = &zip;
  zipDirectory_ = directory;
}

void WebFileSystem::finishZip(int64_t directoryTime) {
  for (const KeptOutput& output : outputsBelow(zipDirectory_, directoryTime)) {
    const ZipEntry entry{output.name, output.directory, output.size, output.crc, output.unixTime,
                         static_cast<uint64_t>(output.contents)};
    if (output.kept || output.directory) {
      zip_->add(entry);
    } else {
      zip_->add(entry, output.held);
    }
  }
  zip_->finish();
}

void WebFileSystem::keepHeldBelow(const std::string& directory) {
  for (auto& [file, output] : outputs_) {
    if (output->zipEntry || !IsBelow(output->path, directory)) continue;
    if (output->closed) {
      output->closed = false;
      heldBytes_ -= output->held.size();
    }
    output->keepHeld();
  }
}

void WebFileSystem::countRead(size_t bytes) {
  bytesRead_ += bytes;
  quernel_report_read(static_cast<double>(bytesRead_));
}

std::unique_ptr<OutputFile> WebFileSystem::wrap(std::unique_ptr<OutputFile> file, const std::string& path,
                                                bool keepBytes) {
  if (!file) return nullptr;
  std::shared_ptr<Output>& output = outputs_[file->identity().file];
  if (output && keepBytes) {
    reopen(*output);
  } else {
    if (output) discard(*output);
    output = std::make_shared<Output>();
    output->contents = nextContents_++;
  }
  output->path = path;
  return std::make_unique<WebOutputFile>(std::move(file), *this, output);
}

std::unique_ptr<OutputFile> WebFileSystem::createOutput(const std::string& path, CreateMode mode) {
  return wrap(structure_.createOutput(path, mode), path, mode == CreateMode::Append);
}

std::unique_ptr<OutputFile> WebFileSystem::createNewOutput(const std::string& path) {
  return wrap(structure_.createNewOutput(path), path, false);
}

std::unique_ptr<OutputFile> WebFileSystem::createReplacement(const std::string& path, const std::string& sidePath) {
  return wrap(structure_.createReplacement(path, sidePath), sidePath, false);
}

void WebFileSystem::discard(Output& output) {
  reopen(output, false);
  quernel_drop_contents(output.contents);
}

void WebFileSystem::forget(const std::optional<Entry>& entry) {
  if (!entry) return;
  const auto output = outputs_.find(entry->identity.file);
  if (output == outputs_.end()) return;
  discard(*output->second);
  outputs_.erase(output);
}

void WebFileSystem::renameFile(const std::string& from, const std::string& to) {
  const std::optional<Entry> source = structure_.entryAt(from);
  const std::optional<Entry> replaced = structure_.entryAt(to);
  structure_.renameFile(from, to);
  if (replaced && source && replaced->identity != source->identity) forget(replaced);
  if (!source) return;
  const auto output = outputs_.find(source->identity.file);
  if (output == outputs_.end()) return;
  // A file already in the zip under its old name goes in again at the end.
  if (output->second->zipEntry) reopen(*output->second);
  output->second->path = to;
}

bool WebFileSystem::createDirectory(const std::string& path) {
  if (!structure_.createDirectory(path)) return false;
  directories_.push_back(path);
  return true;
}

bool WebFileSystem::removeFile(const std::string& path) {
  const std::optional<Entry> entry = structure_.entryAt(path);
  if (!structure_.removeFile(path)) return false;
  forget(entry);
  return true;
}

std::vector<KeptOutput> WebFileSystem::outputsBelow(const std::string& directory, int64_t directoryTime) {
  std::vector<KeptOutput> kept;
  const size_t prefix = directory.size() + 1;
  for (const std::string& path : directories_) {
    if (!IsBelow(path, directory) || !structure_.entryAt(path)) continue;
    kept.push_back({path.substr(prefix), true, 0, 0, directoryTime, 0, false, {}});
  }
  for (const std::string& path : structure_.listFiles()) {
    if (!IsBelow(path, directory)) continue;
    const auto output = outputs_.find(structure_.entryAt(path)->identity.file);
    if (output == outputs_.end()) continue;
    const Output& data = *output->second;
    if (data.zipEntry) continue;
    kept.push_back({path.substr(prefix), false, data.size, data.crc.value(), structure_.mtimeOf(path).value_or(0),
                    data.contents, data.kept, data.held});
  }
  std::sort(kept.begin(), kept.end(), [](const KeptOutput& a, const KeptOutput& b) {
    if (a.directory != b.directory) return a.directory;
    return a.directory ? a.name < b.name : a.contents < b.contents;
  });
  return kept;
}

}  // namespace quernel
