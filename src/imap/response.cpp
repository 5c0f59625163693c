#include "imap/response.h"

#include <string_view>

#include "imap/imap_error.h"
#include "platform/ascii.h"

namespace quernel {
namespace {

// Lists nested deeper than this are refused rather than recursed into.
constexpr int kMaxNesting = 32;

[[noreturn]] void Malformed(const char* what) {
  throw ImapProtocolError(std::string("the server sent a malformed response (") + what + ")");
}

// Walks the lines of a response, stepping into a line's literal where its
// header stands.
class Tokens {
 public:
  explicit Tokens(const RawResponse& raw) : raw_(raw) {}

  bool atEnd() const { return line_ + 1 >= raw_.lines.size() && pos_ >= current().size(); }
  char peek() const { return pos_ < current().size() ? current()[pos_] : '\0'; }
  void skipSpaces() {
    while (pos_ < current().size() && current()[pos_] == ' ') ++pos_;
  }
  std::string_view restOfLine() {
    std::string_view rest = std::string_view(current()).substr(pos_);
    pos_ = current().size();
    return rest;
  }
  // An atom up to a space or parenthesis; "[...]" inside it is kept whole.
  std::string_view word() {
    const std::string_view line = current();
    const size_t start = pos_;
    int brackets = 0;
    while (pos_ < line.size()) {
      const char c = line[pos_];
      if (c == '[') ++brackets;
      if (c == ']' && brackets > 0) --brackets;
      if (brackets == 0 && (c == ' ' || c == '(' || c == ')')) break;
      ++pos_;
    }
    return line.substr(start, pos_ - start);
  }

  ImapValue value(int depth) {
    if (depth > kMaxNesting) Malformed("lists nested too deeply");
    skipSpaces();
    const char c = peek();
    ImapValue value;
    if (c == '(') {
      ++pos_;
      value.kind = ImapValue::Kind::List;
      for (;;) {
        skipSpaces();
        if (peek() == ')') break;
        if (pos_ >= current().size()) Malformed("unclosed list");
        value.items.push_back(this->value(depth + 1));
      }
      ++pos_;
    } else if (c == '"') {
      value.kind = ImapValue::Kind::String;
      value.text = quoted();
    } else if (c == '{') {
      value.kind = ImapValue::Kind::String;
      value.text = literal();
    } else {
      const std::string_view atom = word();
      if (atom.empty()) Malformed("empty value");
      value.kind = ImapUpper(atom) == "NIL" ? ImapValue::Kind::Nil : ImapValue::Kind::Atom;
      value.text = atom;
    }
    return value;
  }

  std::vector<ImapValue> values() {
    std::vector<ImapValue> values;
    for (skipSpaces(); !atEnd(); skipSpaces()) {
      if (peek() == ')') Malformed("unbalanced parenthesis");
      values.push_back(value(0));
    }
    return values;
  }

 private:
  const std::string& current() const { return raw_.lines[line_]; }

  std::string quoted() {
    const std::string_view line = current();
    std::string text;
    for (++pos_; pos_ < line.size(); ++pos_) {
      char c = line[pos_];
      if (c == '"') {
        ++pos_;
        return text;
      }
      if (c == '\\' && pos_ + 1 < line.size()) c = line[++pos_];
      text += c;
    }
    Malformed("unclosed quoted string");
  }

  // "{N}" must end the line; the value is that line's literal.
  std::string literal() {
    if (current().find('}', pos_) != current().size() - 1 || line_ >= raw_.literals.size()) {
      Malformed("literal header inside a line");
    }
    std::string text = raw_.literals[line_];
    ++line_;
    pos_ = 0;
    return text;
  }

  const RawResponse& raw_;
  size_t line_ = 0;
  size_t pos_ = 0;
};

bool IsStatusName(std::string_view name) {
  return name == "OK" || name == "NO" || name == "BAD" || name == "BYE" || name == "PREAUTH";
}

// "[CODE arguments] text" after a status name.
void ReadStatus(std::string_view rest, ImapResponse& response) {
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) Malformed("unclosed response code");
    const std::string_view inside = rest.substr(1, close - 1);
    const size_t space = inside.find(' ');
    response.code = ImapUpper(inside.substr(0, space));
    if (space != std::string_view::npos) response.codeArguments = inside.substr(space + 1);
    rest.remove_prefix(close + 1);
    if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  }
  response.text = rest;
}

bool AllDigits(std::string_view text) {
  if (text.empty() || text.size() > 10) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string ImapUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = AsciiUpper(c);
  return upper;
}

bool ImapResponse::isStatus() const { return IsStatusName(name); }

ImapResponse ParseResponse(const RawResponse& raw) {
  if (raw.lines.empty()) Malformed("empty");
  Tokens tokens(raw);
  ImapResponse response;
  const std::string_view tag = tokens.word();
  if (tag == "+") {
    response.kind = ImapResponse::Kind::Continuation;
    tokens.skipSpaces();
    response.text = tokens.restOfLine();
    return response;
  }
  if (tag.empty()) Malformed("no tag");
  response.kind = tag == "*" ? ImapResponse::Kind::Untagged : ImapResponse::Kind::Tagged;
  if (response.kind == ImapResponse::Kind::Tagged) response.tag = tag;
  tokens.skipSpaces();
  std::string_view name = tokens.word();
  if (response.kind == ImapResponse::Kind::Untagged && AllDigits(name)) {
    const uint64_t number = std::stoull(std::string(name));
    if (number > UINT32_MAX) Malformed("number out of range");
    response.number = static_cast<uint32_t>(number);
    tokens.skipSpaces();
    name = tokens.word();
  }
  if (name.empty()) Malformed("no response name");
  response.name = ImapUpper(name);
  if (response.kind == ImapResponse::Kind::Tagged && !response.isStatus()) Malformed("tagged data");
  tokens.skipSpaces();
  if (response.isStatus()) {
    ReadStatus(tokens.restOfLine(), response);
  } else {
    response.values = tokens.values();
  }
  return response;
}

std::vector<ImapValue> ParseValues(const std::string& text) {
  RawResponse raw;
  raw.lines.push_back(text);
  return Tokens(raw).values();
}

}  // namespace quernel
