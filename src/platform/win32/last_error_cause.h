#pragma once
// Classifies a Win32 error code (GetLastError) as a FileError cause.

#include <string>

#include "platform/file_error.h"
#include "platform/win32/windows_api.h"

namespace quernel {

FileErrorCause CauseOfLastError(DWORD error);

// The system's message for `error` without its closing period and line end,
// or the code's number where the system has no message; in the program's
// own text, as the lines it goes into.
std::string SystemMessage(DWORD error);

// An IoError for `operation` on `path`, a file of `target`, that failed with
// `error`; its reason is the system's message for the code.
IoError LastErrorFileError(DWORD error, IoTarget target, const char* operation, const std::string& path);

}  // namespace quernel
