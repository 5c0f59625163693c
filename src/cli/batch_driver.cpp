#include "cli/batch_driver.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/mailbox_code_page.h"
#include "cli/opened_mailbox.h"
#include "cli/recover_mailbox.h"
#include "writers/eml_paths.h"
#include "platform/directories.h"
#include "writers/mailbox_failure.h"

namespace quernel {
namespace {

class Batch {
 public:
  Batch(const RunSettings& settings, FileSystem& fileSystem, Console& console, const Host& host)
      : writeMbox_(settings.has(flags::kMboxo | flags::kMboxrd)),
        writeEml_(settings.has(flags::kEml)),
        writeMaildir_(settings.has(flags::kMaildir)),
        recover_(settings.has(flags::kRecover)),
        codePage_(settings.codePage),
        fileSystem_(fileSystem),
        console_(console),
        writers_(settings, fileSystem, console, host) {}

  void convert(const std::string& path) {
    if (recover_) {
      recover(path);
      return;
    }
    OpenedMailbox mailbox(path, fileSystem_, console_, writers_.host);
    if (mailbox.state() != OpenedMailbox::State::Ready) return;
    const MailboxReader& reader = mailbox.reader();
    const std::string& displayName = mailbox.displayName();
    // The code page belongs to the mailbox: each gets a converter of its own.
    const std::unique_ptr<CodePageConverter> converter =
        MailboxConverter(codePage_, reader, displayName, console_);
    if (writeMbox_ && !writers_.mbox.convertMailbox(writers_.mboxOptions, path, displayName, reader,
                                                    *converter, writers_.counters.mbox)) {
      return;
    }
    if (writeEml_) {
      writers_.eml.convertMailbox(writers_.emlOptions, path, mailbox.fileName(), displayName,
                                  reader, *converter, writers_.counters.eml);
    }
    if (writeMaildir_) {
      writers_.maildir.convertMailbox(writers_.maildirOptions, path, mailbox.fileName(),
                                      displayName, reader, writers_.counters.maildir);
    }
  }

  const Counters& counters() const { return writers_.counters; }

 private:
  // The outputs go where the plain conversion puts them, the sets beside.
  void recover(const std::string& path) {
    OpenedMailbox mailbox(path, fileSystem_, console_, writers_.host, /*salvaging=*/true);
    if (mailbox.state() == OpenedMailbox::State::Refused) return;
    const Host& host = writers_.host;
    const std::unique_ptr<Salvage> salvage = ScanMailbox(mailbox, host, console_);
    if (!salvage) return;
    // The index's messages tell the code page, or where it lists none the
    // found ones; all are read in it.
    const std::unique_ptr<CodePageConverter> converter =
        mailbox.listsMessages()
            ? MailboxConverter(codePage_, mailbox.reader(), mailbox.displayName(), console_)
            : ScannedMailboxConverter(codePage_, *salvage, mailbox.displayName(), console_);
    RecoverPlaces places;
    if (writeMbox_) {
      places.mboxFile = MboxOutputPath(writers_.mboxOptions, path, mailbox.namingFields(), *converter, host);
    }
    if (writeEml_) places.emlDirectory = EmlDirectory(writers_.emlOptions, path, mailbox.fileName(), host);
    if (writeMaildir_) {
      places.maildir = host.paths.directoryPart(
          MailboxFolder(writers_.maildirOptions.outputDirectory, path, mailbox.fileName(), host));
    }
    RecoverMailbox(mailbox, *salvage, places, *converter, writers_, fileSystem_, console_);
  }

  const bool writeMbox_;
  const bool writeEml_;
  const bool writeMaildir_;
  const bool recover_;
  const int codePage_;
  FileSystem& fileSystem_;
  Console& console_;
  RunWriters writers_;
};

}  // namespace

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

void ChooseDefaultFormat(RunSettings& settings, Console& console) {
  if (!settings.has(flags::kMboxo | flags::kMboxrd | flags::kEml | flags::kMaildir)) {
    console.print("No conversion options selected, using MBOXO-converter...\n");
    settings.flags |= flags::kMboxo;
  }
}

int RunBatch(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host) {
  const std::vector<std::string> mailboxes = ListMailboxes(settings.inputs, fileSystem);
  if (mailboxes.empty()) {
    console.print("Nothing to do!\n");
    return 0;
  }
  ChooseDefaultFormat(settings, console);
  // The named output folder is made as -tree makes its own; one that cannot
  // be made shows as the first output file that cannot be opened.
  MakeDirectories(fileSystem, host.paths, settings.outputDirectory);
  Batch batch(settings, fileSystem, console, host);
  for (const std::string& path : mailboxes) {
    try {
      batch.convert(path);
    } catch (const std::bad_alloc&) {
      // Memory that runs out while one mailbox is converted ends that
      // mailbox, not the batch.
      ReportMailboxFailure(console, OutOfMemoryError(), host.text.displayForm(host.paths.fileNamePart(path)),
                           host.text);
    }
  }
  PrintSummaries(settings, batch.counters(), mailboxes.size(), console);
  return 0;
}

}  // namespace quernel
