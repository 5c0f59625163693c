#include "naming/utf8_prefix.h"

namespace quernel {
namespace {

constexpr size_t kLongestSequence = 4;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the sequence a lead byte announces; 0 for bytes that cannot lead
// one (ASCII, continuation bytes, C0/C1 and F5..FF).
size_t AnnouncedLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// True when `sequence` is one well-formed UTF-8 character (no overlong form,
// no surrogate, nothing above U+10FFFF).
bool IsWellFormed(std::string_view sequence) {
  const auto lead = static_cast<unsigned char>(sequence[0]);
  const auto second = static_cast<unsigned char>(sequence[1]);
  if (lead == 0xE0 && second < 0xA0) return false;
  if (lead == 0xED && second > 0x9F) return false;
  if (lead == 0xF0 && second < 0x90) return false;
  if (lead == 0xF4 && second > 0x8F) return false;
  for (size_t i = 1; i < sequence.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(sequence[i]))) return false;
  }
  return true;
}

}  // namespace

size_t Utf8PrefixLength(std::string_view text, size_t limit) {
  if (limit >= text.size()) return text.size();
  if (!IsContinuation(static_cast<unsigned char>(text[limit]))) return limit;
  // text[limit] continues something: find the byte that leads it.
  for (size_t back = 1; back < kLongestSequence && back <= limit; ++back) {
    const size_t start = limit - back;
    const auto byte = static_cast<unsigned char>(text[start]);
    if (IsContinuation(byte)) continue;
    const size_t length = AnnouncedLength(byte);
    const bool cutsIt = length > back && start + length <= text.size() &&
                        IsWellFormed(text.substr(start, length));
    return cutsIt ? start : limit;
  }
  return limit;
}

}  // namespace quernel
