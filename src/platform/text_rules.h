#pragma once
// How the host's text is walked: where characters begin, how a name is cut,
// how letters change case and how a name is shown on the console. Names are
// byte strings in the host's encoding (UTF-8 on Linux, the ANSI code page on
// Windows). No call fails: bytes that are no character of the encoding are
// stepped over one at a time and left as they are. Implementations keep no
// state that a call changes (a caller owns the object); nothing here is
// promised to be thread-safe, and the program has one thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace quernel {

class TextRules {
 public:
  virtual ~TextRules() = default;

  // Length in bytes (1 or 2, never past the end) of the character at s[pos]
  // for the purpose of scanning for ASCII bytes. It never splits a character,
  // so the second byte of a double-byte character is never taken for "\" or ".".
  virtual size_t characterStep(std::string_view s, size_t pos) const = 0;

  // The length of the longest prefix of `text` of at most `limit` bytes that
  // ends on a character boundary; cutting there never splits a character.
  virtual size_t characterPrefixLength(std::string_view text, size_t limit) const = 0;

  // Maps the letters of the host's encoding to upper or lower case in place.
  // Bytes that are no letter stay as they are; the length may change only
  // where the encoding is UTF-8.
  virtual void changeLetterCase(std::string& s, bool toUpper) const = 0;

  // The length of a sequence at s[pos] that the naming turns into a space
  // beyond the ASCII control characters (the UTF-8 C1 controls on Linux),
  // or 0 when there is none.
  virtual size_t extraControlSequenceAt(std::string_view s, size_t pos) const = 0;

  // The form of a name shown on the console (the OEM code page on Windows);
  // a new string, `name` is left alone.
  virtual std::string displayForm(std::string_view name) const = 0;
};

// The length of the longest prefix of `text` of at most `limit` bytes made of
// whole characters, as `step(text, pos)` measures them.
template <typename Step>
size_t PrefixLengthByStepping(std::string_view text, size_t limit, Step step) {
  if (limit >= text.size()) return text.size();
  size_t pos = 0;
  while (pos < limit) {
    const size_t length = step(text, pos);
    if (pos + length > limit) break;
    pos += length;
  }
  return pos;
}

// The position of the last single-byte character of `s` equal to one of
// `characters`, stepping with `rules` so that no byte inside a double-byte
// character counts; npos when there is none.
size_t LastCharacterOf(const TextRules& rules, std::string_view s, std::string_view characters);

// `fileName` without its extension: everything before its last ".", or the
// whole name when it has none.
std::string_view WithoutExtension(const TextRules& rules, std::string_view fileName);

}  // namespace quernel
