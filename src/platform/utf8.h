#pragma once
// UTF-8 sequence boundaries, for code that must step over whole characters.

#include <cstddef>
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

}  // namespace quernel
