#include "dbx/header_fields.h"

#include <algorithm>
#include <cctype>

#include "dbx/header_date.h"

namespace quernel::dbx {

namespace {

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Unquote(std::string_view s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) ++i;  // a quoted pair
    out += s[i];
  }
  return std::string(Trim(out));
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
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

class HeaderReader {
 public:
  explicit HeaderReader(std::string_view text) : text_(text) {}

  // The next field, unfolded; false at the end of the header.
  bool next(std::string& name, std::string& value) {
    while (pos_ < text_.size()) {
      const std::string_view line = takeLine();
      if (Trim(line).empty()) return false;
      const size_t colon = line.find(':');
      if (colon == std::string_view::npos || line[0] == ' ' || line[0] == '\t') continue;  // not a field
      name.assign(Trim(line.substr(0, colon)));
      value.assign(line.substr(colon + 1));
      while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) value += takeLine();
      value.assign(Trim(value));
      return true;
    }
    return false;
  }

 private:
  // The line at the current position without its line end.
  std::string_view takeLine() {
    const size_t end = std::min(text_.find('\n', pos_), text_.size());
    std::string_view line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

// The date of a Received: line stands after its last semicolon.
std::optional<int64_t> ReceivedDate(std::string_view value) {
  const size_t semicolon = value.rfind(';');
  if (semicolon == std::string_view::npos) return std::nullopt;
  return ParseHeaderDate(value.substr(semicolon + 1));
}

}  // namespace

void SplitMailbox(std::string_view value, std::string& name, std::string& address) {
  value = Trim(value.substr(0, FirstMailboxEnd(value)));
  const size_t open = value.rfind('<');
  const size_t close = value.rfind('>');
  if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
    name = Unquote(value.substr(0, open));
    address.assign(Trim(value.substr(open + 1, close - open - 1)));
    return;
  }
  const size_t paren = value.find('(');
  const size_t shut = value.rfind(')');
  if (paren != std::string_view::npos && shut != std::string_view::npos && shut > paren) {
    name = Unquote(value.substr(paren + 1, shut - paren - 1));
    address.assign(Trim(value.substr(0, paren)));
    return;
  }
  name.clear();
  address.assign(value);
}

HeaderFields ParseHeaderFields(std::string_view text) {
  HeaderFields fields;
  bool from = false, to = false, subject = false, date = false, received = false;
  HeaderReader header(text);
  std::string name, value;
  while (header.next(name, value)) {
    if (!from && SameName(name, "From")) {
      SplitMailbox(value, fields.senderName, fields.senderAddress);
      from = true;
    } else if (!to && SameName(name, "To")) {
      SplitMailbox(value, fields.recipientName, fields.recipientAddress);
      to = true;
    } else if (!subject && SameName(name, "Subject")) {
      fields.subject = value;
      subject = true;
    } else if (!date && SameName(name, "Date")) {
      fields.date = ParseHeaderDate(value);
      date = true;
    } else if (!received && SameName(name, "Received")) {
      fields.receivedDate = ReceivedDate(value);
      received = true;
    }
  }
  return fields;
}

}  // namespace quernel::dbx
