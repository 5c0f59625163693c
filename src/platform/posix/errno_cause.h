#pragma once
// The one place where an errno becomes a FileErrorCause.

#include <string>

#include "platform/file_error.h"

namespace quernel {

FileErrorCause CauseOfErrno(int error);

// A FileError for `error`, naming the operation and the path in its text.
FileError ErrnoFileError(int error, const char* operation, const std::string& path);

}  // namespace quernel
