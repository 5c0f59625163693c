#pragma once
// FileError: the one failure that file operations and the mailbox reader raise.
//
// Callers never look at errno or GetLastError themselves; the file layer turns
// every failure into a cause, and the cause alone decides which line the
// writers print ("seems to be defective" or "disk full?").

#include <stdexcept>
#include <string>

namespace quernel {

enum class FileErrorCause {
  // Causes that mean "the mailbox is damaged" to every caller.
  OffsetOutOfRange,  // a position at or beyond the end of the file
  UnexpectedEnd,     // the platform reported the end of the file mid-operation
  Unspecified,       // a defect with no more specific cause (e.g. a cyclic chain)
  // Causes that mean "an output operation failed".
  DiskFull,          // device full, quota exceeded, file too large, zero-length write
  AccessDenied,
  SharingViolation,  // another process holds the file (a lock on POSIX)
  NotFound,          // the file or a directory on its path does not exist
  NotRegularFile,    // a directory, FIFO or device where a regular file belongs
  HardwareError,     // EIO and the like
  PlatformOther,     // any other error the platform reported
};

// True for the causes that the writers report with the "defective" line.
bool MeansDefectiveMailbox(FileErrorCause cause);

const char* CauseName(FileErrorCause cause);

class FileError : public std::runtime_error {
 public:
  explicit FileError(FileErrorCause cause, const std::string& detail = {});
  FileErrorCause cause() const { return cause_; }

 private:
  FileErrorCause cause_;
};

}  // namespace quernel
