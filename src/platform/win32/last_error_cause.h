#pragma once
// Classifies a Win32 error code (GetLastError) as a FileError cause.

#include <string>

#include "platform/file_error.h"
#include "platform/win32/windows_api.h"

namespace quernel {

FileErrorCause CauseOfLastError(DWORD error);

// A FileError for `operation` on `path` that failed with `error`.
FileError LastErrorFileError(DWORD error, const char* operation, const std::string& path);

}  // namespace quernel
