#pragma once
// UTF-8 sequence boundaries, for code that must step over whole characters.

#include <cstddef>
#include <string_view>

namespace quernel {

// Length (1 to 4) of the well-formed UTF-8 sequence that starts at s[pos],
// or 0 when the bytes there are not one (a stray continuation byte, an
// overlong form, a surrogate, a value beyond U+10FFFF, a cut-off sequence).
size_t Utf8SequenceLength(std::string_view s, size_t pos);

}  // namespace quernel
