#include "platform/file_error.h"

namespace quernel {

bool MeansDefectiveMailbox(FileErrorCause cause) {
  return cause == FileErrorCause::OffsetOutOfRange ||
         cause == FileErrorCause::UnexpectedEnd ||
         cause == FileErrorCause::Unspecified;
}

const char* CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::OffsetOutOfRange: return "offset out of range";
    case FileErrorCause::UnexpectedEnd: return "unexpected end of file";
    case FileErrorCause::Unspecified: return "unspecified";
    case FileErrorCause::DiskFull: return "disk full";
    case FileErrorCause::AccessDenied: return "access denied";
    case FileErrorCause::SharingViolation: return "sharing violation";
    case FileErrorCause::NotFound: return "not found";
    case FileErrorCause::NotRegularFile: return "not a regular file";
    case FileErrorCause::HardwareError: return "hardware error";
    case FileErrorCause::PlatformOther: return "platform error";
  }
  return "unknown";
}

FileError::FileError(FileErrorCause cause, const std::string& detail)
    : std::runtime_error(detail.empty() ? std::string(CauseName(cause))
                                        : std::string(CauseName(cause)) + ": " + detail),
      cause_(cause) {}

}  // namespace quernel
