// The host on Linux and other POSIX systems: "/" paths, UTF-8 names, the
// C library's local time, every positional argument but the last an input.

#include "platform/host.h"

#include <time.h>

#include "platform/posix/posix_calendar.h"
#include "platform/slash_path_rules.h"
#include "platform/utf8_text_rules.h"

namespace quernel {

void InitializeHost() { tzset(); }

const Host& SystemHost() {
  static const SlashPathRules paths;
  static const Utf8TextRules text;
  static const PosixCalendar calendar;
  static const Host host{paths, text, calendar, PositionalStyle::ManyInputsThenOutput};
  return host;
}

bool DetectsMailboxCodePages() { return true; }

// Linux's own text is UTF-8 throughout.
void UseUtf8ProgramText() {}

std::string ProgramTextFromAnsi(std::string_view text) { return std::string(text); }

std::string ProgramTextToUtf8(std::string_view text) { return std::string(text); }

std::string ProgramTextFromUtf8(std::string_view text) { return std::string(text); }

}  // namespace quernel
