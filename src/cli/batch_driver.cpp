#include "cli/batch_driver.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/writer_options.h"
#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/host.h"
#include "writers/eml_writer.h"
#include "writers/maildir_writer.h"
#include "writers/mbox_writer.h"

namespace quernel {
namespace {

// Every input expanded, in order; a file named twice is kept at its first
// place only, so it is neither converted nor counted twice.
std::vector<std::string> ListMailboxes(const std::vector<std::string>& inputs, FileSystem& fileSystem) {
  std::vector<std::string> listed;
  std::unordered_set<std::string> seen;
  for (const std::string& input : inputs) {
    for (std::string& path : fileSystem.expandPattern(input)) {
      if (seen.insert(path).second) listed.push_back(std::move(path));
    }
  }
  return listed;
}

struct Counters {
  int32_t mbox = 0;
  int32_t eml = 0;
  int32_t maildir = 0;
};

class Batch {
 public:
  Batch(const RunSettings& settings, FileSystem& fileSystem, Console& console)
      : writeMbox_(settings.has(flags::kMboxo | flags::kMboxrd)),
        writeEml_(settings.has(flags::kEml)),
        writeMaildir_(settings.has(flags::kMaildir)),
        mboxOptions_(MboxOptionsFrom(settings)),
        emlOptions_(EmlOptionsFrom(settings)),
        maildirOptions_(MaildirOptionsFrom(settings)),
        fileSystem_(fileSystem),
        console_(console),
        mboxWriter_(fileSystem, console),
        emlWriter_(fileSystem, console),
        maildirWriter_(fileSystem, console) {}

  void convert(const std::string& path) {
    std::unique_ptr<InputFile> input;
    try {
      input = fileSystem_.openInput(path);
    } catch (const FileError&) {
      console_.print("Unable to open file \"%s\"!\n", path.c_str());
      return;
    }
    const std::string fileName = FileNamePart(path);
    const std::string displayName = DisplayForm(fileName);
    std::optional<MailboxReader> reader;
    try {
      reader.emplace(*input);
    } catch (const FileError&) {
      console_.print("File \"%s\" seems to be defective!\n", displayName.c_str());
      return;
    }
    if (!accepted(*reader, displayName)) return;
    console_.print("Processing mailbox \"%s\" (%ld messages)...\n", displayName.c_str(),
                   static_cast<long>(reader->messageCount()));
    // The code page belongs to the mailbox: each gets a converter of its own.
    const std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
    if (writeMbox_ && !mboxWriter_.convertMailbox(mboxOptions_, path, displayName, *reader,
                                                  *converter, counters_.mbox)) {
      return;
    }
    if (writeEml_) {
      emlWriter_.convertMailbox(emlOptions_, path, fileName, displayName, *reader, *converter,
                                counters_.eml);
    }
    if (writeMaildir_) {
      maildirWriter_.convertMailbox(maildirOptions_, path, fileName, displayName, *reader,
                                    counters_.maildir);
    }
  }

  const Counters& counters() const { return counters_; }

 private:
  // Prints why a file is not converted; true when it is a mailbox with messages.
  bool accepted(const MailboxReader& reader, const std::string& displayName) {
    switch (reader.status()) {
      case MailboxStatus::Valid:
        break;
      case MailboxStatus::OldVersion:
        console_.print("Unable to handle Outlook Express mailboxes below ver. 5!\n");
        return false;
      case MailboxStatus::FolderList:
      case MailboxStatus::Unrecognised:
        console_.print("\"%s\" is not an Outlook Express mailbox!\n", displayName.c_str());
        return false;
    }
    if (reader.messageCount() == 0) {
      console_.print("\"%s\" contains no messages, skipped...\n", displayName.c_str());
      return false;
    }
    return true;
  }

  const bool writeMbox_;
  const bool writeEml_;
  const bool writeMaildir_;
  const MboxOptions mboxOptions_;
  const EmlOptions emlOptions_;
  const MaildirOptions maildirOptions_;
  FileSystem& fileSystem_;
  Console& console_;
  MboxWriter mboxWriter_;
  EmlWriter emlWriter_;
  MaildirWriter maildirWriter_;
  Counters counters_;
};

void PrintSummaries(const RunSettings& settings, const Counters& counters, size_t listed,
                    Console& console) {
  const int total = static_cast<int>(listed);
  if (settings.has(flags::kMboxo)) {
    console.print("%d of %d mailboxes converted to MBOXO-format!\n", counters.mbox, total);
  }
  if (settings.has(flags::kMboxrd)) {
    console.print("%d of %d mailboxes converted to MBOXRD-format!\n", counters.mbox, total);
  }
  if (settings.has(flags::kEml)) {
    console.print("%d of %d mailboxes converted to EML-format!\n", counters.eml, total);
  }
  if (settings.has(flags::kMaildir)) {
    console.print("%d of %d mailboxes converted to Maildir-format!\n", counters.maildir, total);
  }
}

}  // namespace

int RunBatch(RunSettings settings, FileSystem& fileSystem, Console& console) {
  const std::vector<std::string> mailboxes = ListMailboxes(settings.inputs, fileSystem);
  if (mailboxes.empty()) {
    console.print("Nothing to do!\n");
    return 0;
  }
  if (!settings.has(flags::kMboxo | flags::kMboxrd | flags::kEml | flags::kMaildir)) {
    console.print("No conversion options selected, using MBOXO-converter...\n");
    settings.flags |= flags::kMboxo;
  }
  Batch batch(settings, fileSystem, console);
  for (const std::string& path : mailboxes) batch.convert(path);
  PrintSummaries(settings, batch.counters(), mailboxes.size(), console);
  return 0;
}

}  // namespace quernel
