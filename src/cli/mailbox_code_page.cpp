#include "cli/mailbox_code_page.h"

#include <unordered_set>

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

int DetectedCodePage(const MailboxReader& reader) {
  const std::vector<MessageEvidence> evidence = MailboxEvidence(reader);
  return evidence.empty() ? kDefaultCodePage : ChooseCodePage(evidence);
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
  std::unordered_set<uint32_t> seenRecords;
  std::string text;
  for (int32_t i = 0; i < reader.messageCount(); ++i) {
    if (!MayCarryEvidence(reader.subject(i), reader.senderName(i))) continue;
    if (!seenRecords.insert(reader.recordOffset(i)).second) continue;
    text.clear();
    try {
      reader.appendMessageTextStart(i, kEvidenceTextSize, text);
    } catch (const FileError&) {
      continue;
    }
    MessageEvidence message = CollectEvidence(reader.subject(i), reader.senderName(i), text);
    if (!message.empty()) evidence.push_back(std::move(message));
  }
  return evidence;
}

std::unique_ptr<CodePageConverter> MailboxConverter(int chosenCodePage, const MailboxReader& reader,
                                                    const std::string& displayName, Console& console) {
  // PrepareChosenCodePage has made sure that a chosen page can be read.
  if (chosenCodePage != 0) return MakeCodePageConverter(chosenCodePage);
  if (!DetectsMailboxCodePages()) return MakeDefaultCodePageConverter();
  const int detected = DetectedCodePage(reader);
  // A page found from the messages is one that DecodeCodePage reads, so
  // this system has its converter too.
  std::unique_ptr<CodePageConverter> converter =
      detected == kDefaultCodePage ? nullptr : MakeCodePageConverter(detected);
  if (!converter) return MakeDefaultCodePageConverter();
  console.print("Mailbox \"%s\" reads as code page %d (use -cp<N> to choose another)\n",
                displayName.c_str(), detected);
  return converter;
}

}  // namespace quernel
