// The program's own text on Windows: the ANSI code page, as Windows programs
// of its kind use it, or UTF-8 when the user chose the mailboxes' code page,
// so that names in that page reach the file system whole.

#include "platform/win32/program_text.h"

#include "platform/host.h"
#include "platform/win32/code_page_wide.h"

namespace quernel {
namespace {

// Set once, at start-up, before any path is made (the program has one thread).
bool utf8ProgramText = false;

}  // namespace

bool ProgramTextIsUtf8() { return utf8ProgramText; }

UINT ProgramTextCodePage() { return utf8ProgramText ? CP_UTF8 : CP_ACP; }

void UseUtf8ProgramText() { utf8ProgramText = true; }

std::string ProgramTextFromAnsi(std::string_view text) {
  if (!utf8ProgramText) return std::string(text);
  return Utf16ToCodePage(CP_UTF8, CodePageToUtf16(CP_ACP, text));
}

std::string ProgramTextToUtf8(std::string_view text) {
  if (utf8ProgramText) return std::string(text);
  return Utf16ToCodePage(CP_UTF8, CodePageToUtf16(CP_ACP, text));
}

std::string ProgramTextFromUtf8(std::string_view text) {
  if (utf8ProgramText) return std::string(text);
  return Utf16ToCodePage(CP_ACP, CodePageToUtf16(CP_UTF8, text));
}

std::wstring WideProgramText(std::string_view text) {
  return CodePageToUtf16(ProgramTextCodePage(), text);
}

std::string ProgramTextOfWide(std::wstring_view wide) {
  return Utf16ToCodePage(ProgramTextCodePage(), wide);
}

}  // namespace quernel
