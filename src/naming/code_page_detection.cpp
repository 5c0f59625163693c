#include "naming/code_page_detection.h"

#include <optional>

#include "dbx/header_text.h"
#include "naming/page_reading.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"

namespace quernel {
namespace {

constexpr int kDefaultCodePage = 1252;
// Fewer messages than this never make a code page other than 1252, unless
// they are all the messages that carry evidence.
constexpr size_t kMinimumExplained = 3;

bool HasByteBeyondAscii(std::string_view text) {
  unsigned char any = 0;  // without an early exit, so that the loop vectorises
  for (char c : text) any |= static_cast<unsigned char>(c);
  return any > 0x7F;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Every run of white space as one space, none at the ends. Safe on the
// stored bytes too: no supported page has a trail byte below 0x40.
std::string SpacesCollapsed(std::string_view text) {
  // Most names and subjects have nothing to collapse.
  bool plain = text.empty() || (text.front() != ' ' && text.back() != ' ');
  for (size_t i = 0; plain && i < text.size(); ++i) {
    plain = text[i] != '\t' && text[i] != '\r' && text[i] != '\n' && !(text[i] == ' ' && text[i + 1] == ' ');
  }
  if (plain) return std::string(text);
  std::string out;
  out.reserve(text.size());
  bool pendingSpace = false;
  for (char c : text) {
    if (IsWhiteSpace(c)) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out.push_back(' ');
    pendingSpace = false;
    out.push_back(c);
  }
  return out;
}

void AddEvidence(std::string_view stored, const std::optional<std::string>& headerText,
                 std::string_view charset, MessageEvidence& evidence) {
  if (!HasByteBeyondAscii(stored) || !headerText) return;
  const std::optional<std::string> decoded = DecodeHeaderText(*headerText, charset);
  if (!decoded || decoded->empty()) return;
  evidence.push_back(FieldEvidence{SpacesCollapsed(stored), SpacesCollapsed(*decoded)});
}

}  // namespace

bool ExplainsWrittenApart(int codePage, const FieldEvidence& field) {
  return (codePage == 1255 || codePage == 1258) && HoldsAccentOfItsOwn(codePage, field.stored) &&
         EncodeCodePage(codePage, field.decoded) == field.stored;
}

bool Explains(int codePage, const FieldEvidence& field) {
  return ReadsAs(codePage, field.stored, field.decoded) || ExplainsWrittenApart(codePage, field);
}

bool MayCarryEvidence(std::string_view storedSubject, std::string_view storedSenderName) {
  return HasByteBeyondAscii(storedSubject) || HasByteBeyondAscii(storedSenderName);
}

MessageEvidence CollectEvidence(std::string_view storedSubject, std::string_view storedSenderName,
                                std::string_view messageText) {
  return CollectEvidence(storedSubject, storedSenderName, messageText,
                         [messageText] { return MessageCharset(messageText); });
}

MessageEvidence CollectEvidence(std::string_view storedSubject, std::string_view storedSenderName,
                                std::string_view header, const std::function<std::string()>& messageCharset) {
  MessageEvidence evidence;
  // Only a field stored with a byte beyond ASCII can give evidence, so only
  // its header field is looked for and decoded.
  std::optional<std::string> subject;
  if (HasByteBeyondAscii(storedSubject)) subject = HeaderFieldValue(header, "Subject");
  std::optional<std::string> senderName;
  if (HasByteBeyondAscii(storedSenderName)) {
    if (const std::optional<std::string> from = HeaderFieldValue(header, "From")) senderName = DisplayNameOf(*from);
  }
  // Finding the charset can take a search through the whole text, and only
  // raw header text needs it.
  const bool raw = (subject && NeedsCharset(*subject)) || (senderName && NeedsCharset(*senderName));
  const std::string charset = raw ? messageCharset() : std::string();
  AddEvidence(storedSubject, subject, charset, evidence);
  AddEvidence(storedSenderName, senderName, charset, evidence);
  return evidence;
}

std::vector<CodePageTally> TallyEvidence(std::span<const MessageEvidence> messages) {
  std::vector<CodePageTally> tally;
  for (int codePage : SupportedCodePages()) tally.push_back(CodePageTally{codePage, 0});
  for (const MessageEvidence& message : messages) {
    for (CodePageTally& candidate : tally) {
      for (const FieldEvidence& field : message) {
        if (Explains(candidate.codePage, field)) {
          ++candidate.explained;
          break;
        }
      }
    }
  }
  return tally;
}

int ChooseFromTally(std::span<const CodePageTally> tally, size_t messagesWithEvidence) {
  const CodePageTally* best = nullptr;
  for (const CodePageTally& candidate : tally) {
    if (candidate.codePage != kDefaultCodePage && (!best || candidate.explained > best->explained)) {
      best = &candidate;
    }
  }
  if (!best || best->explained == 0) return kDefaultCodePage;
  if (best->explained < kMinimumExplained && best->explained < messagesWithEvidence) return kDefaultCodePage;
  for (const CodePageTally& other : tally) {
    if (&other != best && best->explained <= 2 * other.explained) return kDefaultCodePage;
  }
  return best->codePage;
}

int ChooseCodePage(std::span<const MessageEvidence> messages) {
  size_t withEvidence = 0;
  for (const MessageEvidence& message : messages) {
    if (!message.empty()) ++withEvidence;
  }
  return ChooseFromTally(TallyEvidence(messages), withEvidence);
}

}  // namespace quernel
