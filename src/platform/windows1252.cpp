#include "platform/windows1252.h"

#include <algorithm>
#include <cstdint>

#include "platform/utf8.h"

namespace quernel {

namespace {

// Code points of the bytes 0x80 to 0x9F; the undefined ones map to themselves.
constexpr char16_t kHighControlRange[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePointOf(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControlRange[byte - 0x80];
  return byte;  // the rest of Windows-1252 is Latin-1
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {  // every code point of the table is below U+10000
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

struct LetterPair {
  char16_t upper;
  char16_t lower;
};

// The letters outside A-Z and À-Þ/à-þ.
constexpr LetterPair kExtraLetters[] = {
    {0x0160, 0x0161},  // Š š
    {0x0152, 0x0153},  // Œ œ
    {0x017D, 0x017E},  // Ž ž
    {0x0178, 0x00FF},  // Ÿ ÿ
};

char32_t ChangeCase(char32_t cp, bool toUpper) {
  if (toUpper) {
    if (cp >= 'a' && cp <= 'z') return cp - 0x20;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;  // not ÷
  } else {
    if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;  // not ×
  }
  for (const LetterPair& pair : kExtraLetters) {
    if (toUpper && cp == pair.lower) return pair.upper;
    if (!toUpper && cp == pair.upper) return pair.lower;
  }
  return cp;
}

// Two-byte sequences are the only non-ASCII ones the mapping touches.
char32_t DecodeTwoBytes(std::string_view s, size_t pos) {
  return (static_cast<char32_t>(static_cast<unsigned char>(s[pos]) & 0x1F) << 6) |
         (static_cast<unsigned char>(s[pos + 1]) & 0x3F);
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view bytes) {
  // Names and addresses are mostly ASCII, which stays as it is: the run
  // before the first other byte is copied whole.
  const auto high = std::find_if(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  const size_t ascii = static_cast<size_t>(high - bytes.begin());
  if (ascii == bytes.size()) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  out.append(bytes.substr(0, ascii));
  for (char c : bytes.substr(ascii)) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
  return out;
}

void ChangeWindows1252LetterCase(std::string& utf8, bool toUpper) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    const size_t length = Utf8SequenceLength(utf8, pos);
    if (length == 1) {
      utf8[pos] = static_cast<char>(ChangeCase(static_cast<unsigned char>(utf8[pos]), toUpper));
    } else if (length == 2) {
      const char32_t cp = DecodeTwoBytes(utf8, pos);
      const char32_t changed = ChangeCase(cp, toUpper);
      // Every partner of a two-byte letter is a two-byte letter too.
      utf8[pos] = static_cast<char>(0xC0 | (changed >> 6));
      utf8[pos + 1] = static_cast<char>(0x80 | (changed & 0x3F));
    }
    pos += length == 0 ? 1 : length;
  }
}

size_t Utf8C1ControlLength(std::string_view s, size_t pos) {
  if (pos + 1 >= s.size()) return 0;
  const unsigned char second = static_cast<unsigned char>(s[pos + 1]);
  return static_cast<unsigned char>(s[pos]) == 0xC2 && second >= 0x80 && second <= 0x9F ? 2 : 0;
}

}  // namespace quernel
