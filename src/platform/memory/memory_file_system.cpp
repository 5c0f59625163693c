#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/file_time.h"
#include "platform/wildcard.h"

namespace quernel {

namespace {

struct Node {
  std::string path;  // as spelled when created, normalized
  uint64_t serial = 0;
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

// Raises what a real file system would for `cause`: an IoError for the
// file's side, or a CorruptionError for the causes of a damaged file.
[[noreturn]] void Raise(FileErrorCause cause, IoTarget target, const char* operation,
                        const std::string& path) {
  const std::string context = std::string(operation) + " \"" + path + "\"";
  if (KindOf(cause) == FileErrorKind::Corruption) throw CorruptionError(cause, std::nullopt, context);
  throw IoError(cause, target, CauseName(cause), context);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The one device of the in-memory file system.
constexpr uint64_t kDevice = 1;

}  // namespace

// Every map is keyed by the normalized path, folded to lower case in the
// case-insensitive mode (see key()).
struct MemoryFileSystem::State {
  explicit State(NameCase names) : names(names) {
    directories = {{".", nextSerial++}, {"/", nextSerial++}};
  }

  NameCase names;
  uint64_t nextSerial = 1;
  std::map<std::string, std::shared_ptr<Node>> files;
  std::map<std::string, uint64_t> directories;  // the serial of each
  std::map<std::pair<Operation, std::string>, FileErrorCause> failures;
  std::map<std::string, std::map<uint64_t, FileErrorCause>> badBytes;  // per file, by offset
  std::set<std::string> heldElsewhere;
  std::set<std::string> stampRefused;
  std::optional<uint64_t> fileSizeLimit;
  Stats stats;

  std::string key(const std::string& normalized) const {
    return names == NameCase::Insensitive ? AsciiLower(normalized) : normalized;
  }

  void raiseInjected(Operation operation, const std::string& normalized, const char* name) const {
    auto it = failures.find({operation, key(normalized)});
    if (it == failures.end()) return;
    const bool input = operation == Operation::OpenInput || operation == Operation::Read;
    Raise(it->second, input ? IoTarget::Input : IoTarget::Output, name, normalized);
  }

  // Raises for a read of [offset, offset + size) that covers a bad byte.
  void raiseOnBadBytes(const std::string& normalized, uint64_t offset, uint64_t size) const {
    auto file = badBytes.find(key(normalized));
    if (file == badBytes.end() || size == 0) return;
    auto bad = file->second.lower_bound(offset);
    if (bad != file->second.end() && bad->first - offset < size) {
      Raise(bad->second, IoTarget::Input, "read", normalized);
    }
  }

  std::shared_ptr<Node> find(const std::string& normalized) const {
    auto it = files.find(key(normalized));
    return it == files.end() ? nullptr : it->second;
  }

  bool isDirectory(const std::string& normalized) const { return directories.count(key(normalized)) > 0; }

  bool exists(const std::string& normalized) const {
    return find(normalized) != nullptr || isDirectory(normalized);
  }

  // Whether an exclusive lock could be taken now.
  bool lockedAgainst(const std::string& normalized, const Node& node, bool exclusive) const {
    return heldElsewhere.count(key(normalized)) > 0 || node.openOutput || (exclusive && node.openInputs > 0);
  }

  void makeDirectories(const std::string& normalized) {
    if (isDirectory(normalized)) return;
    makeDirectories(ParentOf(normalized));
    directories.emplace(key(normalized), nextSerial++);
  }

  std::shared_ptr<Node> addNode(const std::string& normalized) {
    auto node = std::make_shared<Node>();
    node->path = normalized;
    node->serial = nextSerial++;
    files[key(normalized)] = node;
    return node;
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
    state_->raiseOnBadBytes(normalized_, offset, count);
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
    if (state_->stampRefused.count(state_->key(normalized_)) > 0) return false;
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

  FileIdentity identity() override {
    if (closed_) Raise(FileErrorCause::PlatformOther, IoTarget::Output, "identity of closed", normalized_);
    return {kDevice, node_->serial};
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
    if (room < piece.size()) Raise(FileErrorCause::DiskFull, IoTarget::Output, "write", normalized_);
  }

  std::shared_ptr<State> state_;
  std::shared_ptr<Node> node_;
  std::string normalized_;
  bool closed_ = false;
};

}  // namespace

MemoryFileSystem::MemoryFileSystem(NameCase names) : state_(std::make_shared<State>(names)) {}
MemoryFileSystem::~MemoryFileSystem() = default;

void MemoryFileSystem::addFile(const std::string& path, std::string bytes,
                               std::optional<FileTimeTicks> lastWrite) {
  const std::string normalized = Normalize(path);
  state_->makeDirectories(ParentOf(normalized));
  const std::shared_ptr<Node> node = state_->addNode(normalized);
  node->bytes = std::move(bytes);
  node->lastWrite = lastWrite;
}

void MemoryFileSystem::addDirectory(const std::string& path) { state_->makeDirectories(Normalize(path)); }

void MemoryFileSystem::addSpecialFile(const std::string& path) {
  addFile(path, {});
  state_->find(Normalize(path))->regular = false;
}

std::optional<std::string> MemoryFileSystem::contents(const std::string& path) const {
  const std::shared_ptr<Node> node = state_->find(Normalize(path));
  if (!node || !node->regular) return std::nullopt;
  return node->bytes;
}

bool MemoryFileSystem::exists(const std::string& path) const { return state_->exists(Normalize(path)); }

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
  for (const auto& [key, node] : state_->files) {
    if (node->regular) paths.push_back(node->path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

void MemoryFileSystem::setFileSizeLimit(std::optional<uint64_t> bytes) { state_->fileSizeLimit = bytes; }

void MemoryFileSystem::failOn(Operation operation, const std::string& path, FileErrorCause cause) {
  state_->failures[{operation, state_->key(Normalize(path))}] = cause;
}

void MemoryFileSystem::failReadAt(const std::string& path, uint64_t offset, FileErrorCause cause) {
  state_->badBytes[state_->key(Normalize(path))][offset] = cause;
}

void MemoryFileSystem::refuseStamp(const std::string& path) {
  state_->stampRefused.insert(state_->key(Normalize(path)));
}

void MemoryFileSystem::holdByOtherProcess(const std::string& path, bool held) {
  const std::string key = state_->key(Normalize(path));
  if (held) {
    state_->heldElsewhere.insert(key);
  } else {
    state_->heldElsewhere.erase(key);
  }
}

const MemoryFileSystem::Stats& MemoryFileSystem::stats() const { return state_->stats; }

void MemoryFileSystem::resetStats() { state_->stats = Stats{}; }

std::unique_ptr<InputFile> MemoryFileSystem::openInput(const std::string& path) {
  ++state_->stats.inputOpens;
  const std::string normalized = Normalize(path);
  state_->raiseInjected(Operation::OpenInput, normalized, "open");
  if (state_->isDirectory(normalized)) Raise(FileErrorCause::NotRegularFile, IoTarget::Input, "open", path);
  std::shared_ptr<Node> node = state_->find(normalized);
  if (!node) Raise(FileErrorCause::NotFound, IoTarget::Input, "open", path);
  if (!node->regular) Raise(FileErrorCause::NotRegularFile, IoTarget::Input, "open", path);
  if (state_->lockedAgainst(normalized, *node, false)) {
    Raise(FileErrorCause::SharingViolation, IoTarget::Input, "open", path);
  }
  return std::make_unique<MemoryInputFile>(state_, std::move(node), path, normalized);
}

std::unique_ptr<OutputFile> MemoryFileSystem::createOutput(const std::string& path, CreateMode mode) {
  ++state_->stats.outputCreates;
  const std::string normalized = Normalize(path);
  state_->raiseInjected(Operation::CreateOutput, normalized, "create");
  if (state_->isDirectory(normalized)) Raise(FileErrorCause::NotRegularFile, IoTarget::Output, "create", path);
  std::shared_ptr<Node> node = state_->find(normalized);
  if (!node) {
    if (!state_->isDirectory(ParentOf(normalized))) Raise(FileErrorCause::NotFound, IoTarget::Output, "create", path);
    node = state_->addNode(normalized);
    node->lastWrite = Now();
  }
  if (!node->regular) Raise(FileErrorCause::NotRegularFile, IoTarget::Output, "create", path);
  if (state_->lockedAgainst(normalized, *node, true)) {
    Raise(FileErrorCause::SharingViolation, IoTarget::Output, "create", path);
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

std::unique_ptr<OutputFile> MemoryFileSystem::createReplacement(const std::string& path,
                                                                const std::string& sidePath) {
  const std::string normalized = Normalize(path);
  state_->raiseInjected(Operation::CreateOutput, normalized, "create");
  if (state_->isDirectory(normalized)) Raise(FileErrorCause::NotRegularFile, IoTarget::Output, "create", path);
  const std::shared_ptr<Node> node = state_->find(normalized);
  if (!node) Raise(FileErrorCause::NotFound, IoTarget::Output, "create", path);
  if (!node->regular) Raise(FileErrorCause::NotRegularFile, IoTarget::Output, "create", path);
  if (state_->lockedAgainst(normalized, *node, true)) {
    Raise(FileErrorCause::SharingViolation, IoTarget::Output, "create", path);
  }
  return createNewOutput(sidePath);  // which counts the call
}

void MemoryFileSystem::renameFile(const std::string& from, const std::string& to) {
  ++state_->stats.renames;
  const std::string source = Normalize(from);
  const std::string target = Normalize(to);
  state_->raiseInjected(Operation::Rename, target, "rename");
  const std::shared_ptr<Node> node = state_->find(source);
  if (!node) Raise(FileErrorCause::NotFound, IoTarget::Output, "rename", from);
  if (!state_->isDirectory(ParentOf(target))) Raise(FileErrorCause::NotFound, IoTarget::Output, "rename", to);
  if (state_->isDirectory(target)) Raise(FileErrorCause::NotRegularFile, IoTarget::Output, "rename", to);
  if (node->openOutput || node->openInputs > 0) Raise(FileErrorCause::SharingViolation, IoTarget::Output, "rename", from);
  const std::shared_ptr<Node> replaced = state_->find(target);
  if (replaced && replaced != node && state_->lockedAgainst(target, *replaced, true)) {
    Raise(FileErrorCause::SharingViolation, IoTarget::Output, "rename", to);
  }
  state_->files.erase(state_->key(source));
  node->path = target;
  state_->files[state_->key(target)] = node;
}

std::optional<Entry> MemoryFileSystem::entryAt(const std::string& path) {
  ++state_->stats.entryQueries;
  const std::string normalized = Normalize(path);
  if (const std::shared_ptr<Node> node = state_->find(normalized)) {
    return Entry{node->regular ? EntryKind::RegularFile : EntryKind::Other, {kDevice, node->serial}};
  }
  auto directory = state_->directories.find(state_->key(normalized));
  if (directory == state_->directories.end()) return std::nullopt;
  return Entry{EntryKind::Directory, {kDevice, directory->second}};
}

bool MemoryFileSystem::createDirectory(const std::string& path) {
  const std::string normalized = Normalize(path);
  if (state_->exists(normalized) || !state_->isDirectory(ParentOf(normalized))) return false;
  state_->directories.emplace(state_->key(normalized), state_->nextSerial++);
  return true;
}

bool MemoryFileSystem::removeFile(const std::string& path) {
  return state_->files.erase(state_->key(Normalize(path))) > 0;
}

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
  const std::string directoryKey = state_->key(directory);
  const std::string patternKey = state_->key(namePattern);

  std::vector<std::string> names;
  for (const auto& [key, node] : state_->files) {
    if (ParentOf(key) != directoryKey) continue;
    const std::string nameKey = NameOf(key);
    if (wildcards ? WildcardMatch(patternKey, nameKey) : nameKey == patternKey) {
      names.push_back(NameOf(node->path));
    }
  }
  std::sort(names.begin(), names.end());

  std::vector<std::string> paths;
  for (const std::string& name : names) {
    paths.push_back(directory == "." ? name : directory == "/" ? "/" + name : directory + "/" + name);
  }
  return paths;
}

}  // namespace quernel
