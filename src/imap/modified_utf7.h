#pragma once
// Modified UTF-7, the form of folder names in IMAP without UTF8=ACCEPT
// (RFC 3501, 5.1.3): printable ASCII stands for itself ("&" as "&-"), the
// rest is UTF-16 in base64 with "," for "/" between "&" and "-".

#include <optional>
#include <string>
#include <string_view>

namespace quernel {

// `utf8` in modified UTF-7. A byte that is not part of valid UTF-8 is
// sent as U+FFFD, so every input gives a name the server accepts.
std::string EncodeModifiedUtf7(std::string_view utf8);

// The UTF-8 name, or nothing when `encoded` is not valid modified UTF-7.
std::optional<std::string> DecodeModifiedUtf7(std::string_view encoded);

}  // namespace quernel
