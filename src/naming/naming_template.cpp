#include "naming/naming_template.h"

#include <cstdint>
#include <string>

#include "naming/date_format.h"
#include "naming/name_cleaning.h"
#include "naming/template_field.h"
#include "platform/name_characters.h"

namespace quernel {
namespace {

enum class Token {
  MailboxName,
  MailboxDate,
  SenderAddress,
  RecipientAddress,
  SenderName,
  RecipientName,
  Subject,
  ReceiveDate,
  SendDate,
  Unrecognised,
};

constexpr int32_t kLongestLengthLimit = 255;

Token RecogniseToken(std::string_view name, bool messageLevel) {
  if (name == "DBXNAME") return Token::MailboxName;
  if (name == "DBXDATE") return Token::MailboxDate;
  if (!messageLevel) return Token::Unrecognised;
  if (name == "SADDR") return Token::SenderAddress;
  if (name == "RADDR") return Token::RecipientAddress;
  if (name == "SNAME") return Token::SenderName;
  if (name == "RNAME") return Token::RecipientName;
  if (name == "SUBJ") return Token::Subject;
  if (name == "RDATE") return Token::ReceiveDate;
  if (name == "SDATE") return Token::SendDate;
  return Token::Unrecognised;
}

// The text before the n-th ";", or all of it when it has fewer.
std::string_view BeforeNthSemicolon(std::string_view text, int32_t n) {
  size_t semicolon = 0;
  size_t from = 0;
  for (int32_t found = 0; found < n; ++found) {
    semicolon = text.find(';', from);
    if (semicolon == std::string_view::npos) return text;
    from = semicolon + 1;
  }
  return text.substr(0, semicolon);
}

// The token's raw value: formatted dates are made in `storage`, the other
// values are views of the fields.
std::string_view TokenValue(Token token, const TemplateField& field, const NamingFields& fields,
                            const TextRules& text, const Calendar& calendar, std::string& storage) {
  switch (token) {
    case Token::MailboxName: return WithoutExtension(text, fields.mailboxName);
    case Token::MailboxDate:
      storage = FormatMessageTime(fields.mailboxTime, field.dateFormat, calendar);
      return storage;
    case Token::SenderAddress: return fields.senderAddress;
    case Token::RecipientAddress: return fields.recipientAddress;
    case Token::SenderName: return fields.senderName;
    case Token::RecipientName: return fields.recipientName;
    case Token::Subject: return fields.subject;
    case Token::ReceiveDate:
      storage = FormatMessageTime(fields.receiveTime, field.dateFormat, calendar);
      return storage;
    case Token::SendDate:
      storage = FormatMessageTime(fields.sendTime, field.dateFormat, calendar);
      return storage;
    case Token::Unrecognised: break;
  }
  return {};
}

// Applies the modifiers in their fixed order (N, E, L, C) and appends the value.
void AppendFieldValue(Token token, const TemplateField& field, const NamingFields& fields,
                      const TextRules& text, const Calendar& calendar, std::string& result) {
  std::string storage;
  std::string_view value = TokenValue(token, field, fields, text, calendar, storage);
  const bool isRecipientList = token == Token::RecipientName || token == Token::RecipientAddress;
  if (isRecipientList && field.semicolonCount >= 1) {
    value = BeforeNthSemicolon(value, field.semicolonCount);
  }
  if (value.empty()) value = field.defaultText;
  if (field.lengthLimit >= 1 && field.lengthLimit <= kLongestLengthLimit) {
    value = value.substr(
        0, CharacterPrefixLengthIn(fields.codePage, value, static_cast<size_t>(field.lengthLimit)));
  }
  if (field.letterCase == 0 || field.letterCase == 1) {
    std::string converted(value);
    ChangeLetterCaseIn(fields.codePage, converted, field.letterCase == 1);
    result += converted;
  } else {
    result += value;
  }
}

}  // namespace

std::string ExpandNamingTemplate(std::string_view namingTemplate, const NamingFields& fields,
                                 const TextRules& text, const Calendar& calendar) {
  std::string result;
  result.reserve(namingTemplate.size() + 64);
  std::string_view remainder = namingTemplate;
  for (;;) {
    const size_t open = remainder.find('$');
    if (open == std::string_view::npos) break;
    const size_t close = remainder.find('$', open + 1);
    if (close == std::string_view::npos) break;  // a lone "$" is text
    result.append(remainder.substr(0, open));
    const std::string_view inner = remainder.substr(open + 1, close - open - 1);
    const TemplateField field = ParseTemplateField(inner);
    const Token token = RecogniseToken(field.token, fields.hasMessage);
    if (token == Token::Unrecognised) {
      // Written back without its closing "$", which may open the next field.
      result += '$';
      result.append(inner);
      remainder.remove_prefix(close);
      continue;
    }
    AppendFieldValue(token, field, fields, text, calendar, result);
    remainder.remove_prefix(close + 1);
  }
  result.append(remainder);
  CleanFileName(result, fields.codePage, text);
  // An empty name is left empty: the writers report it as a name they cannot
  // create.
  if (!result.empty()) ReplaceDotsOnlyName(result);
  return result;
}

}  // namespace quernel
