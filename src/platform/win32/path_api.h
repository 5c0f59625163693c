#pragma once
// The Win32 calls that take or give a path, for paths in the program's own
// text (program_text.h): the ANSI API while that is the ANSI code page, as
// quernel has always called it, and the wide-character API once it is UTF-8.

#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace quernel {

HANDLE CreateFileAt(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes);
DWORD FileAttributesAt(const std::string& path);
bool CreateDirectoryAt(const std::string& path);
bool DeleteFileAt(const std::string& path);
// MoveFileEx with MOVEFILE_REPLACE_EXISTING.
bool MoveFileReplacingAt(const std::string& from, const std::string& to);
// MoveFileEx without it: fails where `to` exists.
bool MoveFileAt(const std::string& from, const std::string& to);

// The names of the entries that `pattern` matches and that are not
// directories, in the order Windows lists them (FindFirstFile matches as
// Windows does: letter case ignored, short names too).
std::vector<std::string> NonDirectoryNamesMatching(const std::string& pattern);

// The absolute directory of a pattern, ending in "\": GetFullPathName of the
// whole pattern, cut before the name part it finds (which steps over the
// double-byte characters of the code page and knows "C:name" and "/").
// Empty when Windows cannot tell it.
std::string AbsoluteDirectoryOf(const std::string& pattern);

}  // namespace quernel
