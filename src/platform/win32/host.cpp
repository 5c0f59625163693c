// The host on Windows: "\" paths, byte strings in the ANSI code page (double-
// byte characters stepped over wherever a path is scanned) or, once a code
// page is chosen for the mailboxes, in UTF-8 (program_text.h), names shown in
// the OEM code page, local time from the Windows time zone, an input and an
// output directory as positional arguments.

#include "platform/host.h"

#include <stdlib.h>
#include <time.h>

#include "platform/backslash_path_rules.h"
#include "platform/double_byte_text_rules.h"
#include "platform/utf8.h"
#include "platform/win32/ansi_text_rules.h"
#include "platform/win32/code_page_wide.h"
#include "platform/win32/program_text.h"
#include "platform/win32/windows_calendar.h"
#include "platform/win32/windows_api.h"

namespace quernel {

namespace {

std::bitset<256> AnsiLeadBytes() {
  std::bitset<256> lead;
  for (int byte = 0; byte < 256; ++byte) lead[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != 0;
  return lead;
}

// The ANSI page's stepping, with the system's letter case and OEM display.
class AnsiTextRules final : public DoubleByteTextRules {
 public:
  AnsiTextRules() : DoubleByteTextRules(AnsiLeadBytes()) {}

  void changeLetterCase(std::string& s, bool toUpper) const override {
    if (s.empty()) return;
    const DWORD length = static_cast<DWORD>(s.size());
    if (toUpper) {
      CharUpperBuffA(s.data(), length);
    } else {
      CharLowerBuffA(s.data(), length);
    }
  }

  std::string displayForm(std::string_view name) const override {
    std::string shown(name);
    if (!shown.empty()) CharToOemBuffA(shown.c_str(), shown.data(), static_cast<DWORD>(shown.size()));
    return shown;
  }
};

// The host's text as UTF-8, once a code page is chosen: an ASCII byte is
// always a whole character, letters change case and names reach the console
// through UTF-16.
class Utf8HostTextRules final : public TextRules {
 public:
  size_t characterStep(std::string_view, size_t) const override { return 1; }
  size_t characterPrefixLength(std::string_view text, size_t limit) const override {
    return Utf8PrefixLength(text, limit);
  }
  void changeLetterCase(std::string& s, bool toUpper) const override {
    std::wstring wide = CodePageToUtf16(CP_UTF8, s);
    if (wide.empty()) return;
    const DWORD length = static_cast<DWORD>(wide.size());
    if (toUpper) {
      CharUpperBuffW(wide.data(), length);
    } else {
      CharLowerBuffW(wide.data(), length);
    }
    s = Utf16ToCodePage(CP_UTF8, wide);
  }
  size_t extraControlSequenceAt(std::string_view, size_t) const override { return 0; }
  std::string displayForm(std::string_view name) const override {
    return Utf16ToCodePage(CP_OEMCP, CodePageToUtf16(CP_UTF8, name), '?');
  }
};

}  // namespace

const TextRules& SystemAnsiTextRules() {
  static const AnsiTextRules text;
  return text;
}

// The C runtime reads TZ itself and takes a zone name such as Europe/Berlin
// for a POSIX rule it cannot parse; without TZ it asks Windows for the zone.
void InitializeHost() {
  _putenv("TZ=");
  _tzset();
}

const Host& SystemHost() {
  static const BackslashPathRules ansiPaths(SystemAnsiTextRules());
  static const Utf8HostTextRules utf8Text;
  static const BackslashPathRules utf8Paths(utf8Text);
  static const WindowsCalendar calendar;
  static const Host ansi{ansiPaths, SystemAnsiTextRules(), calendar, PositionalStyle::InputThenOutput};
  static const Host utf8{utf8Paths, utf8Text, calendar, PositionalStyle::InputThenOutput};
  return ProgramTextIsUtf8() ? utf8 : ansi;
}

bool DetectsMailboxCodePages() { return false; }

}  // namespace quernel
