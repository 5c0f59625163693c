// Host conventions on Windows: "\" paths, byte strings in the ANSI code page
// (double-byte characters stepped over wherever a path is scanned), names
// shown in the OEM code page, local time from the Windows time zone.

#include "platform/host.h"

#include <stdlib.h>
#include <time.h>


#include "platform/win32/windows_api.h"

namespace quernel {

namespace {

// The position of the last single-byte character of `path` that `isSeparator`
// accepts, stepping over double-byte characters so that their second byte
// (which may be 0x5C, "\") never counts; npos when there is none.
template <typename Predicate>
size_t LastSeparatorAt(std::string_view path, Predicate isSeparator) {
  size_t last = std::string_view::npos;
  for (size_t pos = 0; pos < path.size(); pos += CharacterStep(path, pos)) {
    if (isSeparator(path[pos])) last = pos;
  }
  return last;
}

bool IsBackslash(char c) { return c == '\\'; }

bool IsAnySeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

// The C runtime reads TZ itself and takes a zone name such as Europe/Berlin
// for a POSIX rule it cannot parse; without TZ it asks Windows for the zone.
void InitializeHost() {
  _putenv("TZ=");
  _tzset();
}

char PathSeparator() { return '\\'; }

bool EndsWithSeparator(std::string_view directory) {
  const size_t last = LastSeparatorAt(directory, IsBackslash);
  return last != std::string_view::npos && last + 1 == directory.size();
}

std::string DirectoryPart(std::string_view path) {
  const size_t last = LastSeparatorAt(path, IsBackslash);
  return std::string(last == std::string_view::npos ? path : path.substr(0, last));
}

std::string FileNamePart(std::string_view path) {
  const size_t last = LastSeparatorAt(path, IsAnySeparator);
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

char MaildirInfoSeparator() { return '!'; }

PositionalStyle PositionalArgumentStyle() { return PositionalStyle::InputThenOutput; }

std::string DisplayForm(std::string_view name) {
  std::string shown(name);
  if (!shown.empty()) CharToOemBuffA(shown.c_str(), shown.data(), static_cast<DWORD>(shown.size()));
  return shown;
}

size_t CharacterStep(std::string_view s, size_t pos) {
  return pos + 1 < s.size() && IsDBCSLeadByte(static_cast<BYTE>(s[pos])) ? 2 : 1;
}

void ChangeLetterCase(std::string& s, bool toUpper) {
  if (s.empty()) return;
  const DWORD length = static_cast<DWORD>(s.size());
  if (toUpper) {
    CharUpperBuffA(s.data(), length);
  } else {
    CharLowerBuffA(s.data(), length);
  }
}

size_t ExtraControlSequenceAt(std::string_view, size_t) { return 0; }

}  // namespace quernel
