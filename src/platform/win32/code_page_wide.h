#pragma once
// Text of a Windows code page as UTF-16, for the wide-character file API.

#include <string>
#include <string_view>

namespace quernel {

// `bytes` in `codePage` (a Windows code page number, or CP_ACP) as UTF-16.
// A byte that starts no valid character becomes "_" and conversion goes on
// with the next byte.
std::wstring CodePageToUtf16(unsigned codePage, std::string_view bytes);

// UTF-16 `wide` in `codePage` (a Windows code page number, CP_ACP, CP_OEMCP
// or CP_UTF8). A character the page lacks becomes `replacement`, never a
// look-alike of the page (no best fit), so that no unsafe character such as
// "\" stands in for one.
std::string Utf16ToCodePage(unsigned codePage, std::wstring_view wide, char replacement = '_');

}  // namespace quernel
