#pragma once
// FileSystem: the one interface between quernel and the operating system's
// files. There is one real implementation per OS (posix/, win32/) and one
// in-memory implementation (memory/) that tests and fuzzers use.
//
// Every operation that can fail raises an IoError (a FileError) with a
// classified cause, the system's reason, and whether it hit the input or an
// output, except the few documented as returning false: those are the
// operations whose failure the program deliberately ignores.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_error.h"

namespace quernel {

// A FILETIME: 100-nanosecond intervals since 1601-01-01 00:00:00 UTC.
using FileTimeTicks = uint64_t;

// Which file an entry is, whatever path names it: device and inode number on
// POSIX, volume serial number and file index on Windows. Paths that differ in
// letter case on a drive that ignores it (FAT, exFAT, NTFS, every Windows
// drive), in "." parts or through links name one file exactly when their
// identities are equal. It holds while the file exists under its name (FAT
// numbers files by their directory entries); a removed file's number may
// pass to a new one.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t file = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

enum class EntryKind { RegularFile, Directory, Other };

// What stands at a path: a regular file, a directory or anything else (a
// FIFO, a device), and which one it is.
struct Entry {
  EntryKind kind = EntryKind::Other;
  FileIdentity identity;
};

// A file opened for reading with exclusive access (no other writer; on POSIX
// a shared advisory lock). The length is fixed when the file is opened.
class InputFile {
 public:
  virtual ~InputFile() = default;

  // Reads up to `size` bytes starting at `offset` into `buffer` and returns
  // how many were read. Fewer than `size` only at the end of the file, which
  // is not a failure. Never moves any shared position: calls are independent.
  virtual size_t readAt(uint64_t offset, void* buffer, size_t size) = 0;

  // The file's length in bytes.
  virtual uint64_t length() const = 0;

  // The full path the file was opened with.
  virtual const std::string& path() const = 0;

  // The last-write time, or nothing when the platform cannot tell it.
  virtual std::optional<FileTimeTicks> lastWriteTime() const = 0;
};

// A file created for writing with exclusive access. Each write stores all of
// its bytes or raises FileError (DiskFull for a full device or a write that
// stores nothing). Destroying an OutputFile that was not closed closes it and
// ignores any error.
class OutputFile {
 public:
  virtual ~OutputFile() = default;

  // Writes the pieces, in order, as one gathered write where the platform has one.
  virtual void write(std::span<const std::string_view> pieces) = 0;

  void write(std::string_view bytes) { write(std::span<const std::string_view>(&bytes, 1)); }

  // Sets the last-write time to `unixSeconds` (keeping the access and
  // creation times). Returns false when the platform refuses.
  virtual bool stamp(int64_t unixSeconds) = 0;

  // Closes the file. A close that reports a deferred write error raises FileError.
  virtual void close() = 0;

  // The identity of the file being written, as entryAt reports it for any
  // path that names the file. Only while the file is open; raises FileError
  // when the platform cannot tell it.
  virtual FileIdentity identity() = 0;
};

enum class CreateMode {
  Truncate,  // create, or empty an existing file
  Append,    // create, or keep an existing file's bytes and write after them
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens an existing regular file for reading with exclusive access.
  // Raises FileError (SharingViolation when another process holds it,
  // NotFound, NotRegularFile, ...).
  virtual std::unique_ptr<InputFile> openInput(const std::string& path) = 0;

  // Creates a regular file for writing with exclusive access. An existing file
  // is emptied (Truncate) or kept (Append) only after the lock is held, and
  // never when it is one of this process's open input files (then
  // SharingViolation is raised and the file is left whole).
  virtual std::unique_ptr<OutputFile> createOutput(const std::string& path, CreateMode mode) = 0;

  // Creates `path` with exclusive access only when no entry of that name
  // exists yet; returns nothing when one does (a file, a directory or
  // anything else). Raises FileError for every other failure. Lets the eml
  // writer create a free name in one step instead of a probe and a create.
  virtual std::unique_ptr<OutputFile> createNewOutput(const std::string& path) = 0;

  // Creates `sidePath` as createNewOutput does (nothing when an entry of that
  // name exists) for bytes that are to replace the existing regular file
  // `path` through renameFile once complete; `path` is checked as createOutput
  // would check it (NotFound when nothing is there) and left as it is,
  // unlocked. The new file gets what of `path` a rename would lose: owner and
  // permission bits on POSIX, creation time and attributes on Windows.
  virtual std::unique_ptr<OutputFile> createReplacement(const std::string& path,
                                                        const std::string& sidePath) = 0;

  // Gives the closed file `from` the name `to`, replacing any file of that
  // name in one step, so that `to` never names nothing or a half-written
  // file (POSIX rename; MoveFileExA with MOVEFILE_REPLACE_EXISTING). Raises
  // FileError, with both names left as they were, when it fails, and always
  // when `to` is one of this process's open inputs; on Windows also when
  // another process holds `to`.
  virtual void renameFile(const std::string& from, const std::string& to) = 0;

  // Gives the closed file `from` the name `to` only when no entry of that
  // name exists: false, with both names left as they were, when one does.
  // Raises FileError for every other failure. The system's file systems do
  // it in one step where they can (POSIX without RENAME_NOREPLACE or links,
  // as on FAT, cannot); this default looks first, then renames.
  virtual bool renameToNewName(const std::string& from, const std::string& to) {
    if (entryAt(to)) return false;
    renameFile(from, to);
    return true;
  }

  // What stands at `path` (through symbolic links): its kind and identity, or
  // nothing when no entry is there or the system cannot tell its identity (a
  // device name such as "NUL" on Windows). Takes no lock and never raises: an
  // entry another process holds is reported like any other.
  virtual std::optional<Entry> entryAt(const std::string& path) = 0;

  // Creates one directory level. False on any failure (including "exists").
  virtual bool createDirectory(const std::string& path) = 0;

  // Deletes a file. False on failure.
  virtual bool removeFile(const std::string& path) = 0;

  // True when `path` names an existing regular file.
  virtual bool isRegularFile(const std::string& path) = 0;

  // Expands a pattern whose last component may hold the wildcards "*" and
  // "?" into the full paths of the matching entries that are not directories,
  // in the platform's order. Nothing matched, or an unreadable directory,
  // gives an empty list.
  virtual std::vector<std::string> expandPattern(const std::string& pattern) = 0;
};

// The real file system of the operating system quernel was built for.
std::unique_ptr<FileSystem> MakeNativeFileSystem();

}  // namespace quernel
