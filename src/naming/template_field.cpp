#include "naming/template_field.h"

#include <limits>

namespace quernel {
namespace {

// The first piece is the token; four more "_" cut at most four more pieces,
// and the last of them keeps any "_" that follows.
constexpr int kMaxModifierPieces = 4;

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void ApplyModifier(std::string_view piece, TemplateField& field) {
  if (piece.size() < 2 || piece[1] != ':') return;
  const std::string_view argument = piece.substr(2);
  switch (piece[0]) {
    case 'L': field.lengthLimit = ReadLeadingInteger(argument); break;
    case 'C': field.letterCase = ReadLeadingInteger(argument); break;
    case 'N': field.semicolonCount = ReadLeadingInteger(argument); break;
    case 'E': field.defaultText = argument; break;
    case 'F': field.dateFormat = argument; break;
    default: break;  // not a modifier: ignored
  }
}

}  // namespace

int32_t ReadLeadingInteger(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && IsAsciiSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // Accumulate in 64 bits and stop growing past the 32-bit range, so that a
  // long run of digits saturates like the C library's atoi does on overflow.
  constexpr int64_t kCeiling = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    if (magnitude < kCeiling) magnitude = magnitude * 10 + (text[pos] - '0');
  }
  if (negative) {
    return magnitude >= kCeiling ? std::numeric_limits<int32_t>::min()
                                 : static_cast<int32_t>(-magnitude);
  }
  return magnitude >= kCeiling ? std::numeric_limits<int32_t>::max()
                               : static_cast<int32_t>(magnitude);
}

TemplateField ParseTemplateField(std::string_view inner) {
  TemplateField field;
  size_t cut = inner.find('_');
  field.token = inner.substr(0, cut);
  for (int piece = 1; cut != std::string_view::npos; ++piece) {
    const std::string_view rest = inner.substr(cut + 1);
    if (piece == kMaxModifierPieces) {
      ApplyModifier(rest, field);
      break;
    }
    const size_t next = rest.find('_');
    ApplyModifier(rest.substr(0, next), field);
    cut = next == std::string_view::npos ? next : cut + 1 + next;
  }
  return field;
}

}  // namespace quernel
