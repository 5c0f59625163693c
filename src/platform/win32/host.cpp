// The host on Windows: "\" paths, byte strings in the ANSI code page (double-
// byte characters stepped over wherever a path is scanned), names shown in
// the OEM code page, local time from the Windows time zone, an input and an
// output directory as positional arguments.

#include "platform/host.h"

#include <stdlib.h>
#include <time.h>

#include "platform/backslash_path_rules.h"
#include "platform/double_byte_text_rules.h"
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

}  // namespace

// The C runtime reads TZ itself and takes a zone name such as Europe/Berlin
// for a POSIX rule it cannot parse; without TZ it asks Windows for the zone.
void InitializeHost() {
  _putenv("TZ=");
  _tzset();
}

const Host& SystemHost() {
  static const AnsiTextRules text;
  static const BackslashPathRules paths(text);
  static const WindowsCalendar calendar;
  static const Host host{paths, text, calendar, PositionalStyle::InputThenOutput};
  return host;
}

}  // namespace quernel
