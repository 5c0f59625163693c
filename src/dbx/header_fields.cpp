#include "dbx/header_fields.h"

#include <algorithm>

#include "dbx/header_date.h"
#include "dbx/header_text.h"

namespace quernel::dbx {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The end of the first mailbox of a list: the first comma outside quotes,
// angle brackets and comments.
size_t FirstMailboxEnd(std::string_view value) {
  bool quoted = false;
  int angle = 0, comment = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted) {
      if (c == '\\') ++i;
      else if (c == '"') quoted = false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '(') {
      ++comment;
    } else if (c == ')' && comment > 0) {
      --comment;
    } else if (c == '<') {
      ++angle;
    } else if (c == '>' && angle > 0) {
      --angle;
    } else if (c == ',' && angle == 0 && comment == 0) {
      return i;
    }
  }
  return value.size();
}

// The address of one mailbox: between its angle brackets, else before its
// comment, else all of it.
std::string_view AddressOf(std::string_view mailbox) {
  const size_t open = mailbox.rfind('<');
  const size_t close = mailbox.rfind('>');
  if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
    return Trim(mailbox.substr(open + 1, close - open - 1));
  }
  return Trim(mailbox.substr(0, mailbox.find('(')));
}

// The date of a Received: line stands after its last semicolon.
std::optional<int64_t> ReceivedDate(std::string_view value) {
  const size_t semicolon = value.rfind(';');
  if (semicolon == std::string_view::npos) return std::nullopt;
  return ParseHeaderDate(value.substr(semicolon + 1));
}

}  // namespace

bool BeginsWithHeaderField(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == 0 || colon == std::string_view::npos) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<ptrdiff_t>(colon),
                     [](char c) { return c > ' ' && c < 0x7F; });
}

void SplitMailbox(std::string_view value, std::string& name, std::string& address) {
  const std::string_view mailbox = Trim(value.substr(0, FirstMailboxEnd(value)));
  name = DisplayNameOf(mailbox);
  address.assign(AddressOf(mailbox));
}

HeaderFields ParseHeaderFields(std::string_view text) {
  HeaderFields fields;
  if (const std::optional<std::string> from = HeaderFieldValue(text, "From")) {
    SplitMailbox(*from, fields.senderName, fields.senderAddress);
  }
  if (const std::optional<std::string> to = HeaderFieldValue(text, "To")) {
    SplitMailbox(*to, fields.recipientName, fields.recipientAddress);
  }
  fields.subject = HeaderFieldValue(text, "Subject").value_or("");
  if (const std::optional<std::string> date = HeaderFieldValue(text, "Date")) fields.date = ParseHeaderDate(*date);
  if (const std::optional<std::string> received = HeaderFieldValue(text, "Received")) {
    fields.receivedDate = ReceivedDate(*received);
  }
  return fields;
}

}  // namespace quernel::dbx
