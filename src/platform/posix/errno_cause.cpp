#include "platform/posix/errno_cause.h"

#include <errno.h>
#include <string.h>

namespace quernel {

FileErrorCause CauseOfErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return FileErrorCause::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return FileErrorCause::AccessDenied;
    case EWOULDBLOCK:  // a lock held by another, and also EAGAIN
    case ETXTBSY:      // a program being run
      return FileErrorCause::SharingViolation;
    case ENOENT:
    case ENOTDIR:
      return FileErrorCause::NotFound;
    case EISDIR:
    case ENXIO:  // a FIFO without a reader, a device without its unit
    case ENODEV:
      return FileErrorCause::NotRegularFile;
    case EIO:
      return FileErrorCause::HardwareError;
    default:
      return FileErrorCause::PlatformOther;
  }
}

IoError ErrnoFileError(int error, IoTarget target, const char* operation, const std::string& path) {
  char text[256];
  // GNU strerror_r may return a static string instead of filling `text`.
  const char* description = strerror_r(error, text, sizeof text);
  return IoError(CauseOfErrno(error), target, description, std::string(operation) + " \"" + path + "\"");
}

}  // namespace quernel
