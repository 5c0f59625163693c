#include "platform/win32/last_error_cause.h"

#include "platform/host.h"

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

std::string SystemMessage(DWORD error) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ' || text[length - 1] == '.')) {
    --length;
  }
  if (length == 0) return "Windows error " + std::to_string(error);
  return ProgramTextFromAnsi(std::string_view(text, length));
}

IoError LastErrorFileError(DWORD error, IoTarget target, const char* operation, const std::string& path) {
  return IoError(CauseOfLastError(error), target, SystemMessage(error),
                 std::string(operation) + " \"" + path + "\"");
}

}  // namespace quernel
