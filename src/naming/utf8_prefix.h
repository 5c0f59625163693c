#pragma once
// Cutting a value to a byte limit without splitting a UTF-8 character.

#include <cstddef>
#include <string_view>

namespace quernel {

// The length of the longest prefix of `text` of at most `limit` bytes that
// does not end inside a well-formed UTF-8 sequence. Bytes that are not part
// of a well-formed sequence count as characters of their own, so text that is
// not UTF-8 is cut at `limit` exactly.
size_t Utf8PrefixLength(std::string_view text, size_t limit);

}  // namespace quernel
