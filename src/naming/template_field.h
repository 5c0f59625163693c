#pragma once
// One field of a naming template (the text between two "$"): its token name
// and the settings that its modifier pieces give.

#include <cstdint>
#include <string_view>

namespace quernel {

struct TemplateField {
  std::string_view token;
  // "L:": a limit outside 1..255 leaves the value whole.
  int32_t lengthLimit = 0;
  // "C:": 0 lower case, 1 upper case, anything else leaves the case alone.
  int32_t letterCase = -1;
  // "N:": keep the text before the n-th ";" (recipient tokens only, n >= 1).
  int32_t semicolonCount = 0;
  // "E:": replaces an empty value when not empty itself.
  std::string_view defaultText;
  // "F:": the format of the date tokens.
  std::string_view dateFormat = "%Y-%m-%d";
};

// Reads a decimal integer from the start of `text` as atoi does: white space,
// an optional sign, then digits up to the first non-digit; no digits read as 0.
// Values beyond the 32-bit range saturate instead of wrapping.
int32_t ReadLeadingInteger(std::string_view text);

// Splits `inner` at its first four "_" and applies the modifier pieces left
// to right, so that a repeated prefix takes the later piece. The views point
// into `inner`.
TemplateField ParseTemplateField(std::string_view inner);

}  // namespace quernel
