#pragma once
// Host conventions: everything besides files where the operating system makes
// a difference. Each function is defined once per OS (posix/host.cpp,
// win32/host.cpp); code outside src/platform never tests which OS it runs on.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quernel {

// Called first thing in main (Windows: time-zone and console setup).
void InitializeHost();

// ---- Paths ----------------------------------------------------------------

// The separator written between a directory and a name ("/" or "\").
char PathSeparator();

// True when `directory`'s last byte is the separator, so none is to be added.
bool EndsWithSeparator(std::string_view directory);

// `directory` + separator (unless it already ends in one) + `name`.
std::string JoinPath(std::string_view directory, std::string_view name);

// The path up to, not including, its last separator; the whole path when it
// has none (the caller then joins a separator to it, as the design asks).
std::string DirectoryPart(std::string_view path);

// The last component of a full path (after the last separator; on Windows
// also after "/" and ":").
std::string FileNamePart(std::string_view path);

// The character between a Maildir message's unique name and its "2,"
// flags: ":" by the convention, "!" on Windows, which refuses ":" in file
// names, as Windows Maildir readers expect.
char MaildirInfoSeparator();

// How several positional arguments are read: the Windows rule (input, then
// output directory, the rest ignored) or the Linux rule (the last one is the
// output directory unless it is an existing file or a pattern; the others are
// all inputs, because the shell has expanded the wildcards already).
enum class PositionalStyle { InputThenOutput, ManyInputsThenOutput };
PositionalStyle PositionalArgumentStyle();

// ---- Character set ----------------------------------------------------------

// The form of a name shown on the console (the OEM code page on Windows).
std::string DisplayForm(std::string_view name);

// Length in bytes of the character that starts at s[pos] for the purpose of
// scanning for ASCII bytes (2 for a double-byte lead byte on Windows, always
// 1 on Linux, where an ASCII byte in UTF-8 is always a whole character).
size_t CharacterStep(std::string_view s, size_t pos);

// The length of the longest prefix of `text` of at most `limit` bytes that
// ends on a character boundary (UTF-8 on Linux, double-byte characters on
// Windows), so that cutting a name to a byte limit never splits a character.
size_t CharacterPrefixLength(std::string_view text, size_t limit);

// Maps the letters of the ANSI code page to upper or lower case in place.
void ChangeLetterCase(std::string& s, bool toUpper);

// True for bytes of a name that the naming's cleaning turns into a space
// beyond the ASCII control characters (Linux: the UTF-8 C1 controls). Returns
// the length of such a sequence at s[pos], or 0.
size_t ExtraControlSequenceAt(std::string_view s, size_t pos);

// ---- Time -------------------------------------------------------------------

// True for a flag character that the C library's strftime accepts between
// "%" and a conversion letter ("-", "0", "^" and "#" in glibc; only "#" in
// the Windows runtimes, which abort on the others).
bool IsDateFormatFlag(char c);

// Local calendar time of the instant `unixSeconds` (64-bit), or nothing
// when the C library cannot represent it.
std::optional<std::tm> ToLocalCalendar(int64_t unixSeconds);

// The instant of local calendar fields, with the library deciding daylight
// saving (tm_isdst = -1); nothing when it cannot be represented.
std::optional<int64_t> FromLocalCalendar(std::tm fields);

}  // namespace quernel
