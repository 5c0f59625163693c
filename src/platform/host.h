#pragma once
// The host: the rules of the system the program runs on, as objects, so that
// code can be handed another host's rules (tests run the Windows rules on
// Linux). SystemHost() is defined once per OS (posix/host.cpp,
// win32/host.cpp); code outside src/platform never tests which OS it runs on.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/calendar.h"
#include "platform/path_rules.h"
#include "platform/text_rules.h"

namespace quernel {

// How several positional arguments are read: the Windows rule (input, then
// output directory, the rest ignored) or the Linux rule (the last one is the
// output directory unless it is an existing file or a pattern; the others are
// all inputs, because the shell has expanded the wildcards already).
enum class PositionalStyle { InputThenOutput, ManyInputsThenOutput };

// One host's rules. The referenced objects outlive the Host; it owns nothing.
struct Host {
  const PathRules& paths;
  const TextRules& text;
  const Calendar& calendar;
  PositionalStyle positionals;
};

// Called first thing in main (Windows: time-zone and console setup).
void InitializeHost();

// The rules of the system the program runs on; the objects live as long as
// the program.
const Host& SystemHost();

// ---- The system host's rules as plain calls ---------------------------------
// For code not yet handed a Host; each forwards to SystemHost().

inline char PathSeparator() { return SystemHost().paths.separator(); }
inline bool EndsWithSeparator(std::string_view directory) {
  return SystemHost().paths.endsWithSeparator(directory);
}
inline std::string JoinPath(std::string_view directory, std::string_view name) {
  return SystemHost().paths.join(directory, name);
}
inline std::string DirectoryPart(std::string_view path) { return SystemHost().paths.directoryPart(path); }
inline std::string FileNamePart(std::string_view path) { return SystemHost().paths.fileNamePart(path); }
inline char MaildirInfoSeparator() { return SystemHost().paths.maildirInfoSeparator(); }
inline PositionalStyle PositionalArgumentStyle() { return SystemHost().positionals; }

inline std::string DisplayForm(std::string_view name) { return SystemHost().text.displayForm(name); }
inline size_t CharacterStep(std::string_view s, size_t pos) { return SystemHost().text.characterStep(s, pos); }
inline size_t CharacterPrefixLength(std::string_view text, size_t limit) {
  return SystemHost().text.characterPrefixLength(text, limit);
}
inline void ChangeLetterCase(std::string& s, bool toUpper) { SystemHost().text.changeLetterCase(s, toUpper); }
inline size_t ExtraControlSequenceAt(std::string_view s, size_t pos) {
  return SystemHost().text.extraControlSequenceAt(s, pos);
}

inline bool IsDateFormatFlag(char c) { return SystemHost().calendar.isDateFormatFlag(c); }
inline std::optional<std::tm> ToLocalCalendar(int64_t unixSeconds) {
  return SystemHost().calendar.toLocal(unixSeconds);
}
inline std::optional<int64_t> FromLocalCalendar(std::tm fields) { return SystemHost().calendar.fromLocal(fields); }

// ---- Code pages -------------------------------------------------------------
// Defined once per OS, beside SystemHost().

// True where quernel works out each mailbox's code page from its messages
// when none is chosen (Linux). Windows then makes names in its own ANSI code
// page, the page of the mailboxes it wrote.
bool DetectsMailboxCodePages();

// Windows: from now on the host's text (paths, the values of the command
// line, the lines for the console) is UTF-8 instead of the ANSI code page:
// SystemHost() gives UTF-8 text rules, and files are made and found through
// the wide-character API, so that names made in a chosen code page keep
// every character, whatever the system's ANSI code page. Text read before
// the switch goes through ProgramTextFromAnsi. Linux: nothing changes, its
// text is UTF-8 already.
void UseUtf8ProgramText();

// Text in the ANSI code page (the command line's values) as the host's text:
// unchanged unless UseUtf8ProgramText switched it to UTF-8.
std::string ProgramTextFromAnsi(std::string_view text);

}  // namespace quernel
