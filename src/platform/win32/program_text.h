#pragma once
// The program's own text on Windows (host.h): bytes of the ANSI code page,
// or UTF-8 after UseUtf8ProgramText, and its UTF-16 form for the
// wide-character API.

#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

namespace quernel {

// True once UseUtf8ProgramText was called.
bool ProgramTextIsUtf8();

// The code page of the program's own text: CP_ACP or CP_UTF8.
UINT ProgramTextCodePage();

// The program's own text as UTF-16, and back.
std::wstring WideProgramText(std::string_view text);
std::string ProgramTextOfWide(std::wstring_view wide);

}  // namespace quernel
