#include "cli/recover_mailbox.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "cli/opened_mailbox.h"
#include "dbx/salvage.h"
#include "platform/code_page.h"
#include "platform/host.h"
#include "writers/eml_paths.h"
#include "writers/found_sets.h"
#include "writers/mailbox_failure.h"
#include "writers/message_naming_fields.h"

namespace quernel {
namespace {

// The indexed messages, where a text the reader refuses as damaged is left
// out of the normal output: one line says which and why, and its readable
// part joins the damaged set. Read by each writer in turn, so each message
// is reported and counted once.
class SalvagingReaderSource : public ReaderSource {
 public:
  SalvagingReaderSource(const MailboxReader& reader, Salvage& salvage, Console& console,
                        const std::string& displayName)
      : ReaderSource(reader),
        salvage_(salvage),
        console_(console),
        displayName_(displayName),
        damaged_(static_cast<size_t>(reader.messageCount()), false) {}

  bool appendText(int32_t i, std::string& text) override {
    if (damaged_[static_cast<size_t>(i)]) return false;
    const size_t before = text.size();
    try {
      reader_.appendMessageText(i, text);
      return true;
    } catch (const FileError& error) {
      if (!error.isCorruption()) throw;
      text.resize(before);
      setAside(i, error);
      return false;
    }
  }

  int32_t damagedCount() const { return damagedCount_; }

 private:
  void setAside(int32_t i, const FileError& error) {
    damaged_[static_cast<size_t>(i)] = true;
    ++damagedCount_;
    console_.print("Message %ld of mailbox \"%s\" is damaged (%s), kept with the damaged messages\n",
                   static_cast<long>(i) + 1, displayName_.c_str(), DisplayForm(error.what()).c_str());
    salvage_.addDamaged(reader_.textStart(i), reader_.recordOffset(i), reader_.properties(i));
  }

  Salvage& salvage_;
  Console& console_;
  const std::string& displayName_;
  std::vector<bool> damaged_;
  int32_t damagedCount_ = 0;
};

class Recovery {
 public:
  Recovery(const std::string& path, RecoverFormats formats, RunWriters& writers,
           FileSystem& fileSystem, Console& console)
      : path_(path), formats_(formats), writers_(writers), fileSystem_(fileSystem), console_(console) {}

  void run() {
    OpenedMailbox mailbox(path_, fileSystem_, console_, /*salvaging=*/true);
    if (mailbox.state() == OpenedMailbox::State::Refused) return;
    const bool indexed = mailbox.state() == OpenedMailbox::State::Ready;
    const std::string& displayName = mailbox.displayName();
    std::vector<uint32_t> textStarts;
    if (indexed) {
      for (int32_t i = 0; i < mailbox.reader().messageCount(); ++i) {
        textStarts.push_back(mailbox.reader().textStart(i));
      }
    }
    std::optional<Salvage> salvage;
    try {
      salvage.emplace(mailbox.input(), textStarts);
    } catch (const FileError& error) {
      ReportMailboxFailure(console_, error, displayName);
      return;
    }
    const std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
    NamingFields mailboxFields;
    mailboxFields.mailboxName = mailbox.fileName();
    mailboxFields.mailboxTime = MailboxFileTime(mailbox.input());
    int32_t indexedCount = 0;
    int32_t damagedIndexed = 0;
    if (indexed && mailbox.reader().messageCount() > 0) {
      SalvagingReaderSource source(mailbox.reader(), *salvage, console_, displayName);
      if (!writeIndexed(source, displayName, *converter)) return;
      indexedCount = source.messageCount();
      damagedIndexed = source.damagedCount();
    }
    for (const FoundSet& set : kFoundSets) {
      FoundSource source(*salvage, set.kind, mailboxFields);
      if (source.messageCount() > 0) writeSet(source, set.name, displayName, *converter);
    }
    console_.print(
        "\"%s\": %ld indexed, %ld converted, %ld recovered, %ld deleted, %ld damaged messages\n",
        displayName.c_str(), static_cast<long>(indexedCount),
        static_cast<long>(indexedCount - damagedIndexed),
        static_cast<long>(salvage->count(FoundKind::Recovered)),
        static_cast<long>(salvage->count(FoundKind::Deleted)),
        static_cast<long>(salvage->count(FoundKind::Damaged)));
  }

 private:
  // False when the mbox file could not be created, which ends the mailbox
  // as in the plain conversion.
  bool writeIndexed(MessageSource& source, const std::string& displayName,
                    const CodePageConverter& converter) {
    if (formats_.mbox && !writers_.mbox.convertMailbox(writers_.mboxOptions, path_, "", displayName,
                                                       source, converter, writers_.counters.mbox)) {
      return false;
    }
    if (formats_.eml) {
      const std::string directory = emlDirectory();
      writers_.eml.convertMailboxInto(writers_.emlOptions, directory, displayName, source, converter,
                                      writers_.counters.eml);
    }
    if (formats_.maildir && writers_.maildir.writeFolder(maildirFolder(), source,
                                                         writers_.maildirOptions.overwrite, displayName)) {
      ++writers_.counters.maildir;
    }
    return true;
  }

  // A set goes next to the mailbox's own output: an mbox file of its own, a
  // subfolder of its eml folder and one of its Maildir. It does not count as
  // a converted mailbox; its failures have their own lines.
  void writeSet(MessageSource& source, std::string_view setName, const std::string& displayName,
                const CodePageConverter& converter) {
    int32_t ignored = 0;
    if (formats_.mbox) {
      const std::string mboxPath = MboxOutputPath(writers_.mboxOptions, path_, source.mailboxFields());
      writers_.mbox.convertMailbox(writers_.mboxOptions, path_, MboxSetPath(mboxPath, setName),
                                   displayName, source, converter, ignored);
    }
    if (formats_.eml) {
      const std::string directory = JoinPath(emlDirectory(), setName);
      fileSystem_.createDirectory(directory);
      writers_.eml.convertMailboxInto(writers_.emlOptions, JoinPath(directory, ""), displayName,
                                      source, converter, ignored);
    }
    if (formats_.maildir) {
      // A Maildir++ subfolder of the mailbox's Maildir: ".recovered" and so on.
      const std::string folder = maildirFolder();
      fileSystem_.createDirectory(DirectoryPart(folder));
      std::string subfolder(1, '.');
      subfolder += setName;
      writers_.maildir.writeFolder(JoinPath(folder, subfolder), source,
                                   writers_.maildirOptions.overwrite, displayName);
    }
  }

  // The mailbox's eml folder, created (one level) when missing; a folder
  // that cannot be made shows up as the first message's open failure.
  std::string emlDirectory() {
    const std::string directory = EmlDirectory(writers_.emlOptions, path_, FileNamePart(path_));
    fileSystem_.createDirectory(DirectoryPart(directory));
    return directory;
  }

  // The mailbox's Maildir, ending in the separator; the Maildir writer
  // creates it.
  std::string maildirFolder() const {
    return MailboxFolder(writers_.maildirOptions.outputDirectory, path_, FileNamePart(path_));
  }

  const std::string& path_;
  const RecoverFormats formats_;
  RunWriters& writers_;
  FileSystem& fileSystem_;
  Console& console_;
};

}  // namespace

void RecoverMailbox(const std::string& path, RecoverFormats formats, RunWriters& writers,
                    FileSystem& fileSystem, Console& console) {
  Recovery(path, formats, writers, fileSystem, console).run();
}

}  // namespace quernel
