#pragma once
// Text of a Windows code page as UTF-16, for the wide-character file API.

#include <string>
#include <string_view>

namespace quernel {

// `bytes` in `codePage` (a Windows code page number, or CP_ACP) as UTF-16.
// A byte that starts no valid character becomes "_" and conversion goes on
// with the next byte.
std::wstring CodePageToUtf16(unsigned codePage, std::string_view bytes);

}  // namespace quernel
