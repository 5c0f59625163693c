#pragma once
// The wildcard matching of file-name patterns: "*" matches any run of
// characters, "?" exactly one, every other byte only itself (case matters).

#include <string_view>

namespace quernel {

// True when `name` matches `pattern` as a whole. A character is a UTF-8
// sequence, or a single byte where the name is not valid UTF-8. Time is at
// most proportional to the product of the two lengths, whatever the input.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// True when `pattern` holds a "*" or a "?".
bool HasWildcard(std::string_view pattern);

}  // namespace quernel
