#pragma once
// UTF-8 sequence boundaries, for code that must step over whole characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace quernel {

// Length (1 to 4) of the well-formed UTF-8 sequence that starts at s[pos],
// or 0 when the bytes there are not one (a stray continuation byte, an
// overlong form, a surrogate, a value beyond U+10FFFF, a cut-off sequence).
size_t Utf8SequenceLength(std::string_view s, size_t pos);

// The length of the longest prefix of `text` of at most `limit` bytes that
// does not end inside a well-formed UTF-8 sequence. Bytes that are not part
// of a well-formed sequence count as characters of their own, so text that is
// not UTF-8 is cut at `limit` exactly.
size_t Utf8PrefixLength(std::string_view text, size_t limit);

// The code point of the well-formed sequence of `length` bytes (as
// Utf8SequenceLength gave it, 1 to 4) at s[pos].
inline char32_t DecodeUtf8(std::string_view s, size_t pos, size_t length) {
  const auto byte = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[pos + i])); };
  switch (length) {
    case 1: return byte(0);
    case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default:
      return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) |
             (byte(3) & 0x3F);
  }
}

// Appends the UTF-8 form of code point `cp` (at most U+10FFFF) to `out`.
inline void AppendCodePointAsUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace quernel
