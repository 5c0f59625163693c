#pragma once
// Reading the header lines of a message text: a field's value, the charset
// its Content-Type names, the display name of an address, and header text
// (RFC 2047 encoded words, raw 8-bit text) decoded to UTF-8 the way Windows
// decoded it.

#include <optional>
#include <string>
#include <string_view>

namespace quernel {

// The value of the first field called `name` (ASCII case ignored) in the
// header of `messageText`, which ends at the first empty line: continuation
// lines joined to it without their line ends, white space at both ends
// removed. Nothing when the header has no such field.
std::optional<std::string> HeaderFieldValue(std::string_view messageText, std::string_view name);

// The length of the header of `messageText` with the empty line that ends
// it; npos when the text ends first.
size_t HeaderSize(std::string_view messageText);

// The charset parameter of the header's Content-Type field, without quotes;
// nothing when the header names none.
std::optional<std::string> HeaderCharset(std::string_view messageText);

// The charset parameter of the header's Content-Type field, without quotes.
// A multipart message names none there, so then the first charset parameter
// in the rest of the text (its first part's) is taken. Empty when none.
std::string MessageCharset(std::string_view messageText);

// True when header text holds bytes that only a charset reads: bytes beyond
// ASCII, or the escape of ISO-2022-JP.
bool NeedsCharset(std::string_view text);

// The display name of an address field value such as a From line's: the
// words before "<" with quoted strings unquoted, or the comment of a bare
// address ("ann@example.com (Ann Lee)"). Empty when there is none.
std::string DisplayNameOf(std::string_view addressValue);

// `bytes` labelled `charset`, as UTF-8, read as Windows read that label
// (CodePageOfCharset); ISO-2022-JP is read through code page 932. Nothing for
// an unknown label or a byte sequence that is not valid in the charset.
std::optional<std::string> DecodeCharset(std::string_view charset, std::string_view bytes);

// Header text as UTF-8: RFC 2047 encoded words in B and Q encoding, also
// where a quoted string held them (as Outlook Express wrote them in display
// names), with the white space between two encoded words dropped and the
// bytes of neighbouring words with the same charset decoded together; other
// bytes beyond ASCII (and ISO-2022-JP escapes) read in `rawCharset`. Nothing
// when a charset is unknown, a word or a byte is invalid, or raw text beyond
// ASCII comes without a charset.
std::optional<std::string> DecodeHeaderText(std::string_view text, std::string_view rawCharset);

}  // namespace quernel
