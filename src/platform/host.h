#pragma once
// The host: the rules of the system the program runs on, as objects, so that
// code can be handed another host's rules (tests run the Windows rules on
// Linux). SystemHost() is defined once per OS (posix/host.cpp,
// win32/host.cpp); code outside src/platform never tests which OS it runs on.

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

// The host's text as UTF-8, for names that leave the machine (IMAP folder
// names): unchanged on Linux and after UseUtf8ProgramText.
std::string ProgramTextToUtf8(std::string_view text);
// UTF-8 as the host's text, for the lines that show such names (Windows,
// before UseUtf8ProgramText: what the ANSI code page lacks is replaced).
std::string ProgramTextFromUtf8(std::string_view text);

}  // namespace quernel
