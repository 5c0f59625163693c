#include "platform/win32/last_error_cause.h"

namespace quernel {

FileErrorCause CauseOfLastError(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return FileErrorCause::DiskFull;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return FileErrorCause::AccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileErrorCause::SharingViolation;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return FileErrorCause::NotFound;
    case ERROR_DIRECTORY:
      return FileErrorCause::NotRegularFile;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
      return FileErrorCause::HardwareError;
    default:
      return FileErrorCause::PlatformOther;
  }
}

FileError LastErrorFileError(DWORD error, const char* operation, const std::string& path) {
  return FileError(CauseOfLastError(error), std::string(operation) + " \"" + path +
                                                "\": Windows error " + std::to_string(error));
}

}  // namespace quernel
