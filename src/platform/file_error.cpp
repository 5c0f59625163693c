#include "platform/file_error.h"

#include <cstdio>

namespace quernel {

namespace {

std::string CorruptionDescription(const std::string& reason, std::optional<uint64_t> offset) {
  if (!offset) return reason;
  char at[32];
  std::snprintf(at, sizeof at, " at offset 0x%llX", static_cast<unsigned long long>(*offset));
  return reason + at;
}

}  // namespace

FileErrorKind KindOf(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::OffsetOutOfRange:
    case FileErrorCause::UnexpectedEnd:
    case FileErrorCause::Unspecified:
    case FileErrorCause::OutOfMemory:
      return FileErrorKind::Corruption;
    default:
      return FileErrorKind::Io;
  }
}

const char* CauseName(FileErrorCause cause) {
  switch (cause) {
    case FileErrorCause::OffsetOutOfRange: return "offset out of range";
    case FileErrorCause::UnexpectedEnd: return "unexpected end of file";
    case FileErrorCause::Unspecified: return "unspecified";
    case FileErrorCause::OutOfMemory: return "out of memory";
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

FileError::FileError(FileErrorKind kind, FileErrorCause cause, IoTarget target,
                     std::optional<uint64_t> offset, std::string reason, const std::string& description)
    : std::runtime_error(description),
      kind_(kind),
      cause_(cause),
      target_(target),
      offset_(offset),
      reason_(std::move(reason)) {}

CorruptionError::CorruptionError(FileErrorCause cause, std::optional<uint64_t> offset, std::string reason)
    : FileError(FileErrorKind::Corruption, cause, IoTarget::Input, offset, reason,
                CorruptionDescription(reason, offset)) {}

IoError::IoError(FileErrorCause cause, IoTarget target, std::string reason, const std::string& context)
    : FileError(FileErrorKind::Io, cause, target, std::nullopt, reason,
                context.empty() ? reason : context + ": " + reason) {}

CorruptionError OutOfMemoryError() {
  return CorruptionError(FileErrorCause::OutOfMemory, std::nullopt, "more memory needed than is available");
}

}  // namespace quernel
