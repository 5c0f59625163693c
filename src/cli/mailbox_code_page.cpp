#include "cli/mailbox_code_page.h"

#include <algorithm>
#include <unordered_set>

#include "dbx/header_text.h"
#include "naming/code_page_vote.h"
#include "platform/code_page_conversion.h"
#include "platform/file_error.h"
#include "platform/host.h"

namespace quernel {
namespace {

constexpr int kDefaultCodePage = 1252;

// How much of a text is read for its header lines: enough for the header of
// nearly every message, and for the Content-Type of a multipart message's
// first part, whose charset raw header text may need.
constexpr size_t kEvidenceTextSize = 16 * 1024;
// The start read first: the whole header of most messages.
constexpr size_t kHeaderTextSize = 2 * 1024;

// The evidence of message i, from as much of its text as it needs: the
// header, and the first kEvidenceTextSize bytes where the header is longer
// or raw header text needs the charset of a multipart message's first part.
// Nothing when the text cannot be read.
MessageEvidence ReadEvidence(const MailboxReader& reader, int32_t i, std::string& text) {
  const auto textStart = [&](size_t size) {
    std::string start;
    reader.appendMessageTextStart(i, size, start);
    return start;
  };
  text.clear();
  try {
    reader.appendMessageTextStart(i, kHeaderTextSize, text);
    const size_t header = HeaderSize(text);
    if (header == std::string_view::npos) {
      text = textStart(kEvidenceTextSize);
      return CollectEvidence(reader.subject(i), reader.senderName(i), text);
    }
    return CollectEvidence(reader.subject(i), reader.senderName(i), std::string_view(text).substr(0, header), [&] {
      if (std::optional<std::string> charset = HeaderCharset(text)) return std::move(*charset);
      return MessageCharset(textStart(kEvidenceTextSize));
    });
  } catch (const FileError&) {
    return {};
  }
}

// The messages whose stored subject or sender name can give evidence, each
// record once.
std::vector<int32_t> MessagesWithEvidence(const MailboxReader& reader) {
  std::vector<int32_t> messages;
  for (int32_t i = 0; i < reader.messageCount(); ++i) {
    if (MayCarryEvidence(reader.subject(i), reader.senderName(i))) messages.push_back(i);
  }
  // Records listed twice are rare: sorted offsets tell whether there are any.
  std::vector<uint32_t> records;
  records.reserve(messages.size());
  for (int32_t i : messages) records.push_back(reader.recordOffset(i));
  std::sort(records.begin(), records.end());
  if (std::adjacent_find(records.begin(), records.end()) == records.end()) return messages;
  std::unordered_set<uint32_t> seenRecords;
  std::erase_if(messages, [&](int32_t i) { return !seenRecords.insert(reader.recordOffset(i)).second; });
  return messages;
}

}  // namespace

bool PrepareChosenCodePage(RunSettings& settings, Console& console) {
  if (!MakeCodePageConverter(settings.codePage)) {
    console.print("Code page %d is not available on this system!\n", settings.codePage);
    return false;
  }
  UseUtf8ProgramText();
  for (std::string& input : settings.inputs) input = ProgramTextFromAnsi(input);
  settings.outputDirectory = ProgramTextFromAnsi(settings.outputDirectory);
  settings.mboxTemplate = ProgramTextFromAnsi(settings.mboxTemplate);
  settings.emlTemplate = ProgramTextFromAnsi(settings.emlTemplate);
  return true;
}

std::vector<MessageEvidence> MailboxEvidence(const MailboxReader& reader) {
  std::vector<MessageEvidence> evidence;
  std::string text;
  for (int32_t i : MessagesWithEvidence(reader)) {
    MessageEvidence message = ReadEvidence(reader, i, text);
    if (!message.empty()) evidence.push_back(std::move(message));
  }
  return evidence;
}

int MailboxCodePage(const MailboxReader& reader) {
  const std::vector<int32_t> messages = MessagesWithEvidence(reader);
  CodePageVote vote;
  for (int32_t i : messages) vote.expect(reader.subject(i), reader.senderName(i));
  std::string text;
  for (int32_t i : messages) {
    if (vote.choice()) break;
    vote.count(reader.subject(i), reader.senderName(i), ReadEvidence(reader, i, text));
  }
  return *vote.choice();
}

void CodePageVotes::add(const CodePageVotes& other) {
  // Every tally lists the supported pages in the same order.
  if (tally.empty()) {
    tally = other.tally;
  } else {
    for (size_t k = 0; k < tally.size(); ++k) tally[k].explained += other.tally[k].explained;
  }
  messagesWithEvidence += other.messagesWithEvidence;
}

int CodePageVotes::chosen() const {
  return messagesWithEvidence == 0 ? kDefaultCodePage : ChooseFromTally(tally, messagesWithEvidence);
}

CodePageVotes MailboxVotes(const MailboxReader& reader) {
  const std::vector<MessageEvidence> evidence = MailboxEvidence(reader);
  return CodePageVotes{TallyEvidence(evidence), evidence.size()};
}

CodePageVotes FoundVotes(Salvage& salvage) {
  std::vector<MessageEvidence> evidence;
  std::string text;
  for (const FoundMessage& found : salvage.messages()) {
    if (!found.recordOffset) continue;  // fields from the header lines prove nothing
    const MailboxReader::Properties fields = salvage.fields(found);
    if (!MayCarryEvidence(fields.subject, fields.senderName)) continue;
    text.clear();
    salvage.appendText(found, text, kEvidenceTextSize);
    MessageEvidence message = CollectEvidence(fields.subject, fields.senderName, text);
    if (!message.empty()) evidence.push_back(std::move(message));
  }
  return CodePageVotes{TallyEvidence(evidence), evidence.size()};
}

std::unique_ptr<CodePageConverter> FoundCodePageConverter(int codePage, const char* what,
                                                          const std::string& shownName, Console& console) {
  // A page found from the messages is one that DecodeCodePage reads, so
  // this system has its converter too.
  std::unique_ptr<CodePageConverter> converter =
      codePage == kDefaultCodePage ? nullptr : MakeCodePageConverter(codePage);
  if (!converter) return MakeDefaultCodePageConverter();
  console.print("%s \"%s\" reads as code page %d (use -cp<N> to choose another)\n", what, shownName.c_str(),
                codePage);
  return converter;
}

std::unique_ptr<CodePageConverter> ChosenCodePageConverter(int chosenCodePage) {
  // PrepareChosenCodePage has made sure that a chosen page can be read.
  return chosenCodePage != 0 ? MakeCodePageConverter(chosenCodePage) : MakeDefaultCodePageConverter();
}

std::unique_ptr<CodePageConverter> MailboxConverter(int chosenCodePage, const MailboxReader& reader,
                                                    const std::string& displayName, Console& console) {
  if (chosenCodePage != 0 || !DetectsMailboxCodePages()) return ChosenCodePageConverter(chosenCodePage);
  return FoundCodePageConverter(MailboxCodePage(reader), "Mailbox", displayName, console);
}

std::unique_ptr<CodePageConverter> ScannedMailboxConverter(int chosenCodePage, Salvage& salvage,
                                                           const std::string& displayName, Console& console) {
  if (chosenCodePage != 0 || !DetectsMailboxCodePages()) return ChosenCodePageConverter(chosenCodePage);
  return FoundCodePageConverter(FoundVotes(salvage).chosen(), "Mailbox", displayName, console);
}

}  // namespace quernel
