#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/file_time.h"
#include "platform/wildcard.h"

namespace quernel {

namespace {

struct Node {
  std::string bytes;
  std::optional<FileTimeTicks> lastWrite;
  bool regular = true;
  int openInputs = 0;
  bool openOutput = false;
};

// "a//b/./c/" -> "a/b/c"; "" and "./" -> "."; "//" -> "/".
std::string Normalize(const std::string& path) {
  std::string result;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view part(path.data() + start, end - start);
    if (!part.empty() && part != ".") {
      if (!result.empty()) result.push_back('/');
      result.append(part);
    }
    start = end + 1;
  }
  const bool absolute = !path.empty() && path[0] == '/';
  if (absolute) return "/" + result;
  return result.empty() ? "." : result;
}

std::string ParentOf(const std::string& normalized) {
  const size_t slash = normalized.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : normalized.substr(0, slash);
}

std::string NameOf(const std::string& normalized) {
  const size_t slash = normalized.rfind('/');
  return slash == std::string::npos ? normalized : normalized.substr(slash + 1);
}

FileTimeTicks Now() {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return FileTimeFromUnix(seconds.count()).value_or(0);
}

FileError Failure(FileErrorCause cause, const char* operation, const std::string& path) {
  return FileError(cause, std::string(operation) + " \"" + path + "\"");
}

}  // namespace

struct MemoryFileSystem::State {
  std::map<std::string, std::shared_ptr<Node>> files;
  std::set<std::string> directories{"/", "."};
  std::map<std::pair<Operation, std::string>, FileErrorCause> failures;
  std::set<std::string> heldElsewhere;
  std::set<std::string> stampRefused;
  std::optional<uint64_t> fileSizeLimit;
  Stats stats;

  void raiseInjected(Operation operation, const std::string& normalized, const char* name) const {
    auto it = failures.find({operation, normalized});
    if (it != failures.end()) throw Failure(it->second, name, normalized);
  }

  std::shared_ptr<Node> find(const std::string& normalized) const {
    auto it = files.find(normalized);
    return it == files.end() ? nullptr : it->second;
  }

  bool isDirectory(const std::string& normalized) const { return directories.count(normalized) > 0; }

  // Whether an exclusive lock could be taken now.
  bool lockedAgainst(const std::string& normalized, const Node& node, bool exclusive) const {
    return heldElsewhere.count(normalized) > 0 || node.openOutput || (exclusive && node.openInputs > 0);
  }

  void makeDirectories(const std::string& normalized) {
    if (isDirectory(normalized)) return;
    makeDirectories(ParentOf(normalized));
    directories.insert(normalized);
  }
};

namespace {

using State = MemoryFileSystem::State;
using Operation = MemoryFileSystem::Operation;

class MemoryInputFile final : public InputFile {
 public:
  MemoryInputFile(std::shared_ptr<State> state, std::shared_ptr<Node> node, std::string path,
                  std::string normalized)
      : state_(std::move(state)),
        node_(std::move(node)),
        length_(node_->bytes.size()),
        path_(std::move(path)),
        normalized_(std::move(normalized)) {
    ++node_->openInputs;
  }

  ~MemoryInputFile() override { --node_->openInputs; }

  size_t readAt(uint64_t offset, void* buffer, size_t size) override {
    ++state_->stats.reads;
    state_->raiseInjected(Operation::Read, normalized_, "read");
    const std::string& bytes = node_->bytes;
    if (offset >= bytes.size()) return 0;
    const size_t count = std::min<uint64_t>(size, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, count);
    state_->stats.bytesRead += count;
    return count;
  }

  uint64_t length() const override { return length_; }
  const std::string& path() const override { return path_; }
  std::optional<FileTimeTicks> lastWriteTime() const override { return node_->lastWrite; }

 private:
  std::shared_ptr<State> state_;
  std::shared_ptr<Node> node_;
  uint64_t length_;
  std::string path_;
  std::string normalized_;
};

class MemoryOutputFile final : public OutputFile {
 public:
  MemoryOutputFile(std::shared_ptr<State> state, std::shared_ptr<Node> node, std::string normalized)
      : state_(std::move(state)), node_(std::move(node)), normalized_(std::move(normalized)) {
    node_->openOutput = true;
  }

  ~MemoryOutputFile() override { node_->openOutput = false; }

  void write(std::span<const std::string_view> pieces) override {
    ++state_->stats.writes;
    state_->raiseInjected(Operation::Write, normalized_, "write");
    node_->lastWrite = Now();
    for (std::string_view piece : pieces) append(piece);
  }

  bool stamp(int64_t unixSeconds) override {
    ++state_->stats.stamps;
    if (state_->stampRefused.count(normalized_) > 0) return false;
    const std::optional<FileTimeTicks> ticks = FileTimeFromUnix(unixSeconds);
    if (!ticks) return false;
    node_->lastWrite = ticks;
    return true;
  }

  void close() override {
    if (closed_) return;
    closed_ = true;
    node_->openOutput = false;
    ++state_->stats.closes;
    state_->raiseInjected(Operation::Close, normalized_, "close");
  }

 private:
  // Stores what fits below the size limit; raises DiskFull for the rest.
  void append(std::string_view piece) {
    std::string& bytes = node_->bytes;
    size_t room = piece.size();
    if (state_->fileSizeLimit) {
      const uint64_t limit = *state_->fileSizeLimit;
      room = bytes.size() >= limit ? 0 : std::min<uint64_t>(room, limit - bytes.size());
    }
    bytes.append(piece.substr(0, room));
    state_->stats.bytesWritten += room;
    if (room < piece.size()) throw Failure(FileErrorCause::DiskFull, "write", normalized_);
  }

  std::shared_ptr<State> state_;
  std::shared_ptr<Node> node_;
  std::string normalized_;
  bool closed_ = false;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem() : state_(std::make_shared<State>()) {}
MemoryFileSystem::~MemoryFileSystem() = default;

void MemoryFileSystem::addFile(const std::string& path, std::string bytes,
                               std::optional<FileTimeTicks> lastWrite) {
  const std::string normalized = Normalize(path);
  state_->makeDirectories(ParentOf(normalized));
  auto node = std::make_shared<Node>();
  node->bytes = std::move(bytes);
  node->lastWrite = lastWrite;
  state_->files[normalized] = std::move(node);
}

void MemoryFileSystem::addDirectory(const std::string& path) { state_->makeDirectories(Normalize(path)); }

void MemoryFileSystem::addSpecialFile(const std::string& path) {
  addFile(path, {});
  state_->files[Normalize(path)]->regular = false;
}

std::optional<std::string> MemoryFileSystem::contents(const std::string& path) const {
  const std::shared_ptr<Node> node = state_->find(Normalize(path));
  if (!node || !node->regular) return std::nullopt;
  return node->bytes;
}

bool MemoryFileSystem::exists(const std::string& path) const {
  const std::string normalized = Normalize(path);
  return state_->find(normalized) != nullptr || state_->isDirectory(normalized);
}

std::optional<FileTimeTicks> MemoryFileSystem::lastWriteTimeOf(const std::string& path) const {
  const std::shared_ptr<Node> node = state_->find(Normalize(path));
  return node ? node->lastWrite : std::nullopt;
}

std::optional<int64_t> MemoryFileSystem::mtimeOf(const std::string& path) const {
  const std::optional<FileTimeTicks> ticks = lastWriteTimeOf(path);
  if (!ticks) return std::nullopt;
  return UnixSecondsOfFileTime(*ticks);
}

std::vector<std::string> MemoryFileSystem::listFiles() const {
  std::vector<std::string> paths;
  for (const auto& [path, node] : state_->files) {
    if (node->regular) paths.push_back(path);
  }
  return paths;
}

void MemoryFileSystem::setFileSizeLimit(std::optional<uint64_t> bytes) { state_->fileSizeLimit = bytes; }

void MemoryFileSystem::failOn(Operation operation, const std::string& path, FileErrorCause cause) {
  state_->failures[{operation, Normalize(path)}] = cause;
}

void MemoryFileSystem::refuseStamp(const std::string& path) { state_->stampRefused.insert(Normalize(path)); }

void MemoryFileSystem::holdByOtherProcess(const std::string& path, bool held) {
  if (held) {
    state_->heldElsewhere.insert(Normalize(path));
  } else {
    state_->heldElsewhere.erase(Normalize(path));
  }
}

const MemoryFileSystem::Stats& MemoryFileSystem::stats() const { return state_->stats; }

void MemoryFileSystem::resetStats() { state_->stats = Stats{}; }

std::unique_ptr<InputFile> MemoryFileSystem::openInput(const std::string& path) {
  ++state_->stats.inputOpens;
  const std::string normalized = Normalize(path);
  state_->raiseInjected(Operation::OpenInput, normalized, "open");
  if (state_->isDirectory(normalized)) throw Failure(FileErrorCause::NotRegularFile, "open", path);
  std::shared_ptr<Node> node = state_->find(normalized);
  if (!node) throw Failure(FileErrorCause::NotFound, "open", path);
  if (!node->regular) throw Failure(FileErrorCause::NotRegularFile, "open", path);
  if (state_->lockedAgainst(normalized, *node, false)) {
    throw Failure(FileErrorCause::SharingViolation, "open", path);
  }
  return std::make_unique<MemoryInputFile>(state_, std::move(node), path, normalized);
}

std::unique_ptr<OutputFile> MemoryFileSystem::createOutput(const std::string& path, CreateMode mode) {
  ++state_->stats.outputCreates;
  const std::string normalized = Normalize(path);
  state_->raiseInjected(Operation::CreateOutput, normalized, "create");
  if (state_->isDirectory(normalized)) throw Failure(FileErrorCause::NotRegularFile, "create", path);
  std::shared_ptr<Node> node = state_->find(normalized);
  if (!node) {
    if (!state_->isDirectory(ParentOf(normalized))) throw Failure(FileErrorCause::NotFound, "create", path);
    node = std::make_shared<Node>();
    node->lastWrite = Now();
    state_->files[normalized] = node;
  }
  if (!node->regular) throw Failure(FileErrorCause::NotRegularFile, "create", path);
  if (state_->lockedAgainst(normalized, *node, true)) {
    throw Failure(FileErrorCause::SharingViolation, "create", path);
  }
  if (mode == CreateMode::Truncate) node->bytes.clear();
  return std::make_unique<MemoryOutputFile>(state_, std::move(node), normalized);
}

std::unique_ptr<OutputFile> MemoryFileSystem::createNewOutput(const std::string& path) {
  if (exists(path)) {
    ++state_->stats.outputCreates;  // the failed attempt costs a call as well
    return nullptr;
  }
  return createOutput(path, CreateMode::Truncate);
}

bool MemoryFileSystem::probeExisting(const std::string& path) {
  ++state_->stats.probes;
  const std::string normalized = Normalize(path);
  const std::shared_ptr<Node> node = state_->find(normalized);
  return node && node->regular && !state_->lockedAgainst(normalized, *node, false);
}

void MemoryFileSystem::renameFile(const std::string& from, const std::string& to) {
  ++state_->stats.renames;
  const std::string source = Normalize(from);
  const std::string target = Normalize(to);
  state_->raiseInjected(Operation::Rename, target, "rename");
  const std::shared_ptr<Node> node = state_->find(source);
  if (!node) throw Failure(FileErrorCause::NotFound, "rename", from);
  if (!state_->isDirectory(ParentOf(target))) throw Failure(FileErrorCause::NotFound, "rename", to);
  if (state_->isDirectory(target)) throw Failure(FileErrorCause::NotRegularFile, "rename", to);
  const std::shared_ptr<Node> replaced = state_->find(target);
  if (replaced && replaced != node && state_->lockedAgainst(target, *replaced, true)) {
    throw Failure(FileErrorCause::SharingViolation, "rename", to);
  }
  state_->files.erase(source);
  state_->files[target] = node;
}

bool MemoryFileSystem::createDirectory(const std::string& path) {
  const std::string normalized = Normalize(path);
  if (exists(normalized) || !state_->isDirectory(ParentOf(normalized))) return false;
  state_->directories.insert(normalized);
  return true;
}

bool MemoryFileSystem::removeFile(const std::string& path) { return state_->files.erase(Normalize(path)) > 0; }

bool MemoryFileSystem::isRegularFile(const std::string& path) {
  const std::shared_ptr<Node> node = state_->find(Normalize(path));
  return node && node->regular;
}

std::vector<std::string> MemoryFileSystem::expandPattern(const std::string& pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  const std::string directory =
      slash == std::string::npos ? "." : Normalize(slash == 0 ? "/" : pattern.substr(0, slash));
  if (namePattern.empty() || !state_->isDirectory(directory)) return {};
  const bool wildcards = HasWildcard(namePattern);

  std::vector<std::string> names;
  for (const auto& [path, node] : state_->files) {
    if (ParentOf(path) != directory) continue;
    const std::string name = NameOf(path);
    if (wildcards ? WildcardMatch(namePattern, name) : name == namePattern) names.push_back(name);
  }
  std::sort(names.begin(), names.end());

  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(directory == "." ? name : directory == "/" ? "/" + name : directory + "/" + name);
  }
  return paths;
}

}  // namespace quernel
