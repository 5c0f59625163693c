#pragma once
// The one place where an errno becomes a FileErrorCause.

#include <string>

#include "platform/file_error.h"

namespace quernel {

FileErrorCause CauseOfErrno(int error);

// An IoError for `error` on `target`, with the system's text for it as its
// reason, naming the operation and the path.
IoError ErrnoFileError(int error, IoTarget target, const char* operation, const std::string& path);

}  // namespace quernel
