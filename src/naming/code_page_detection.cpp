#include "naming/code_page_detection.h"

#include <optional>

#include "dbx/header_text.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"

namespace quernel {
namespace {

constexpr int kDefaultCodePage = 1252;
// Fewer messages than this never make a code page other than 1252, unless
// they are all the messages that carry evidence.
constexpr size_t kMinimumExplained = 3;

bool HasByteBeyondAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) > 0x7F) return true;
  }
  return false;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Every run of white space as one space, none at the ends. Safe on the
// stored bytes too: no supported page has a trail byte below 0x40.
std::string SpacesCollapsed(std::string_view text) {
  std::string out;
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

// True when `codePage` turns the stored bytes into the decoded text. The
// pages that write accents apart from their letters (1255, 1258) are also
// tried the other way round, because a header in another charset usually
// holds the letters with their accents precomposed.
bool Explains(int codePage, const FieldEvidence& field) {
  if (DecodeCodePage(codePage, field.stored) == field.decoded) return true;
  return (codePage == 1255 || codePage == 1258) && EncodeCodePage(codePage, field.decoded) == field.stored;
}

}  // namespace

bool MayCarryEvidence(std::string_view storedSubject, std::string_view storedSenderName) {
  return HasByteBeyondAscii(storedSubject) || HasByteBeyondAscii(storedSenderName);
}

MessageEvidence CollectEvidence(std::string_view storedSubject, std::string_view storedSenderName,
                                std::string_view messageText) {
  MessageEvidence evidence;
  if (!MayCarryEvidence(storedSubject, storedSenderName)) return evidence;
  const std::optional<std::string> subject = HeaderFieldValue(messageText, "Subject");
  std::optional<std::string> senderName;
  if (const std::optional<std::string> from = HeaderFieldValue(messageText, "From")) {
    senderName = DisplayNameOf(*from);
  }
  // Finding the charset can take a search through the whole text, and only
  // raw header text needs it.
  const bool raw = (subject && NeedsCharset(*subject)) || (senderName && NeedsCharset(*senderName));
  const std::string charset = raw ? MessageCharset(messageText) : std::string();
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
