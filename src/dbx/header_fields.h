#pragma once
// The fields of a message's own header lines that name and date it, for
// messages found without a record.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quernel::dbx {

struct HeaderFields {
  std::string subject;
  std::string senderName;  // From: the display name, or the comment after the address
  std::string senderAddress;
  std::string recipientName;  // To: of its first recipient
  std::string recipientAddress;
  std::optional<int64_t> date;          // Date:, seconds since 1970 UTC
  std::optional<int64_t> receivedDate;  // the date of the topmost Received: line
};

// Reads the header of `text` as HeaderFieldValue does: the lines up to the
// first empty line, folded lines unfolded, names in any letter case, the
// first of a field given twice. Values are the bytes as they stand, without
// surrounding blanks and quotes; encoded words are left as they are.
HeaderFields ParseHeaderFields(std::string_view text);

// True when `text` begins with a header field: a name of printable ASCII
// other than ':' and then ':'. A message's text does; a piece from the
// middle of one almost never does.
bool BeginsWithHeaderField(std::string_view text);

// Splits the first mailbox of an address list into display name and address:
// ‘"Anna L" <anna@example.com>’, ‘anna@example.com (Anna L)’ or a bare address.
void SplitMailbox(std::string_view value, std::string& name, std::string& address);

}  // namespace quernel::dbx
