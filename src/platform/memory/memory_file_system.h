#pragma once
// MemoryFileSystem: a FileSystem held in memory, for tests, fuzzers and
// benchmarks. It keeps the contract of the real ones (exclusive access,
// regular files only, an output never landing on an open input) and lets a
// test make any operation fail and count the calls made.
//
// Paths use "/". "a//b/./c/" means "a/b/c"; ".." is an ordinary name. The
// root "/" and the current directory (a path without "/") always exist.
// Names compare byte for byte, or, in the case-insensitive mode, without
// regard to ASCII letter case as on a FAT drive; a file keeps the spelling of
// the path it was created with.

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quernel {

class MemoryFileSystem final : public FileSystem {
 public:
  // Calls made, as a real file system would count system calls.
  struct Stats {
    size_t inputOpens = 0;
    size_t outputCreates = 0;
    size_t entryQueries = 0;
    size_t renames = 0;
    size_t reads = 0;
    size_t writes = 0;
    size_t stamps = 0;
    size_t closes = 0;
    uint64_t bytesRead = 0;
    uint64_t bytesWritten = 0;
  };

  // Rename fails the renaming onto a path.
  enum class Operation { OpenInput, CreateOutput, Read, Write, Close, Rename };

  enum class NameCase { Sensitive, Insensitive };

  explicit MemoryFileSystem(NameCase names = NameCase::Sensitive);
  ~MemoryFileSystem() override;

  // ---- Setting up and inspecting --------------------------------------------
  void addFile(const std::string& path, std::string bytes, std::optional<FileTimeTicks> lastWrite = {});
  void addDirectory(const std::string& path);  // with its missing parents
  // An entry that is neither file nor directory (a FIFO, a device).
  void addSpecialFile(const std::string& path);

  std::optional<std::string> contents(const std::string& path) const;
  bool exists(const std::string& path) const;  // file, special file or directory
  std::optional<FileTimeTicks> lastWriteTimeOf(const std::string& path) const;
  // The last-write time in Unix seconds, as `stamp` set it.
  std::optional<int64_t> mtimeOf(const std::string& path) const;
  std::vector<std::string> listFiles() const;  // as spelled, sorted, regular files only

  // ---- Failures -----------------------------------------------------------
  // Like RLIMIT_FSIZE: a write that would make a file longer stores the part
  // below the limit and raises DiskFull. Nothing means no limit.
  void setFileSizeLimit(std::optional<uint64_t> bytes);
  // Makes every `operation` on `path` raise `cause`: an IoError on the input
  // (OpenInput, Read) or the output (the others), or a CorruptionError for
  // a cause of that kind.
  void failOn(Operation operation, const std::string& path, FileErrorCause cause);
  // Makes every read of `path` that covers the byte at `offset` raise
  // `cause`, as a bad sector of a failing disk does.
  void failReadAt(const std::string& path, uint64_t offset, FileErrorCause cause);
  // Makes stamping `path` refuse.
  void refuseStamp(const std::string& path);
  // Marks `path` as held by another process: opening, creating and renaming
  // onto it behave as they do for a file locked elsewhere on Windows.
  void holdByOtherProcess(const std::string& path, bool held = true);

  const Stats& stats() const;
  void resetStats();

  // ---- FileSystem ---------------------------------------------------------
  std::unique_ptr<InputFile> openInput(const std::string& path) override;
  std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) override;
  std::unique_ptr<OutputFile> createNewOutput(const std::string& path) override;
  std::unique_ptr<OutputFile> createReplacement(const std::string& path, const std::string& sidePath) override;
  void renameFile(const std::string& from, const std::string& to) override;
  std::optional<Entry> entryAt(const std::string& path) override;
  bool createDirectory(const std::string& path) override;
  bool removeFile(const std::string& path) override;
  bool isRegularFile(const std::string& path) override;
  std::vector<std::string> expandPattern(const std::string& pattern) override;

  struct State;  // shared with the open files, which may outlive this object

 private:
  std::shared_ptr<State> state_;
};

}  // namespace quernel
