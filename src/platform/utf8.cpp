#include "platform/utf8.h"

namespace quernel {

namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

size_t Utf8SequenceLength(std::string_view s, size_t pos) {
  if (pos >= s.size()) return 0;
  const unsigned char lead = static_cast<unsigned char>(s[pos]);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char secondMin = 0x80, secondMax = 0xBF;  // narrower ranges exclude
  if (lead >= 0xC2 && lead <= 0xDF) {                 // overlongs, surrogates
    length = 2;                                       // and values > U+10FFFF
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondMin = 0xA0;
    if (lead == 0xED) secondMax = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondMin = 0x90;
    if (lead == 0xF4) secondMax = 0x8F;
  } else {
    return 0;
  }
  if (s.size() - pos < length) return 0;
  const unsigned char second = static_cast<unsigned char>(s[pos + 1]);
  if (second < secondMin || second > secondMax) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(s[pos + i]))) return 0;
  }
  return length;
}

size_t Utf8PrefixLength(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  // Only a sequence that starts in the last three bytes before the cut can
  // reach across it.
  for (size_t back = 1; back <= 3 && back <= limit; ++back) {
    if (Utf8SequenceLength(text, limit - back) > back) return limit - back;
  }
  return limit;
}

}  // namespace quernel
