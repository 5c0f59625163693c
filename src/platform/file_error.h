#pragma once
// FileError: the one failure that file operations and the mailbox reader
// raise, caught by the batch driver and the writers.
//
// Every FileError is one of two kinds, and the kind decides which line
// reports it:
//   - Corruption: the mailbox is damaged. It says what was wrong and where
//     (the file offset, when there is one). Raised as CorruptionError.
//   - Io: the system failed an operation. It gives the system's reason and
//     whether the failure hit the input (the mailbox being read) or an
//     output (a file being written). Raised as IoError.
// Callers never look at errno or GetLastError themselves; the file layer
// turns every failure into one of these.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace quernel {

enum class FileErrorKind { Corruption, Io };

// Which file an I/O failure hit.
enum class IoTarget {
  Input,   // the mailbox being read
  Output,  // a file being created or written
};

enum class FileErrorCause {
  // Causes of kind Corruption: the mailbox cannot be read as it stands.
  OffsetOutOfRange,  // a position or a field at or beyond the end of the file
  UnexpectedEnd,     // the platform reported the end of the file mid-operation
  Unspecified,       // a defect with no more specific cause (e.g. a cyclic chain)
  OutOfMemory,       // the mailbox needs more memory than the program can get
  // Causes of kind Io.
  DiskFull,          // device full, quota exceeded, file too large, zero-length write
  AccessDenied,
  SharingViolation,  // another process holds the file (a lock on POSIX)
  NotFound,          // the file or a directory on its path does not exist
  NotRegularFile,    // a directory, FIFO or device where a regular file belongs
  HardwareError,     // EIO and the like
  PlatformOther,     // any other error the platform reported
};

// The kind each cause belongs to.
FileErrorKind KindOf(FileErrorCause cause);

const char* CauseName(FileErrorCause cause);

class FileError : public std::runtime_error {
 public:
  FileErrorKind kind() const { return kind_; }
  bool isCorruption() const { return kind_ == FileErrorKind::Corruption; }
  bool isIo() const { return kind_ == FileErrorKind::Io; }
  // True for an I/O failure of a file being written; the writers report
  // these as failed writes, and everything else as a problem of the mailbox.
  bool hitOutput() const { return isIo() && target_ == IoTarget::Output; }

  FileErrorCause cause() const { return cause_; }
  // Which file an I/O failure hit; Input for a corruption.
  IoTarget target() const { return target_; }
  // Where in the mailbox a corruption was found, when it was at one place.
  std::optional<uint64_t> offset() const { return offset_; }
  // A short text: what was wrong with the mailbox, or the system's reason
  // for an I/O failure (e.g. "Input/output error"). what() adds the offset
  // or the operation and path.
  const std::string& reason() const { return reason_; }

 protected:
  FileError(FileErrorKind kind, FileErrorCause cause, IoTarget target, std::optional<uint64_t> offset,
            std::string reason, const std::string& description);

 private:
  FileErrorKind kind_;
  FileErrorCause cause_;
  IoTarget target_;
  std::optional<uint64_t> offset_;
  std::string reason_;
};

// A damaged mailbox; `cause` is one of the causes of kind Corruption.
class CorruptionError : public FileError {
 public:
  CorruptionError(FileErrorCause cause, std::optional<uint64_t> offset, std::string reason);
};

// A failed operation of the system on `target`; `cause` is one of the causes
// of kind Io, `reason` the system's text for it, and `context` names the operation and the path (e.g. "read \"a.dbx\"").
class IoError : public FileError {
 public:
  IoError(FileErrorCause cause, IoTarget target, std::string reason, const std::string& context);
};

// What std::bad_alloc becomes while a mailbox is read or written: a mailbox
// that needs more memory than the program can get is reported as a damaged
// one, and the batch goes on with the next mailbox.
CorruptionError OutOfMemoryError();

}  // namespace quernel
