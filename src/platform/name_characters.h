#pragma once
// The host's name-walking functions (host.h) for names made from a mailbox
// read in a chosen code page. `codePage` is the codePage() of the mailbox's
// CodePageConverter; one implementation per OS.
//
// Linux: names are UTF-8 after conversion, so stepping and cutting work on
// UTF-8 whatever the page. Windows: names stay in the code page's bytes, so
// stepping and cutting follow its double-byte characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace quernel {

// Length in bytes of the character at s[pos] for the purpose of scanning for
// ASCII bytes: never splits a character, so the second byte of a double-byte
// character (0x5C in 932's "表") is never taken for "\".
size_t CharacterStepIn(int codePage, std::string_view s, size_t pos);

// The length of the longest prefix of `text` of at most `limit` bytes that
// ends on a character boundary.
size_t CharacterPrefixLengthIn(int codePage, std::string_view text, size_t limit);

// The length of a C1 control character (U+0080 to U+009F) at s[pos], or 0
// when there is none there. Windows: a single byte that `codePage` reads as
// one (1252's undefined 0x81, 0x8D, 0x8F, 0x90 and 0x9D). Linux: always 0,
// as the host's text rules find them in UTF-8 names (text_rules.h).
size_t ControlCharacterLengthIn(int codePage, std::string_view s, size_t pos);

// Maps letters to upper or lower case in place, changing a letter only where
// its counterpart is a character of `codePage` too: µ stays µ in 1252, which
// has no Greek Μ, and Turkish ı and İ map to I and i in 1254. Linux: the C
// library's wide-character mapping under the "C.UTF-8" locale (1252 keeps its
// own table, which gives the same results); Windows: the system's mapping.
void ChangeLetterCaseIn(int codePage, std::string& s, bool toUpper);

}  // namespace quernel
