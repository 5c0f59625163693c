#include "cli/recover_mailbox.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "dbx/salvage.h"
#include "platform/code_page.h"
#include "writers/mailbox_failure.h"

namespace quernel {
namespace {

// The indexed messages, where a text the reader refuses as damaged is left
// out of the normal output: one line says which and why, and its readable
// part joins the damaged set. Read by each writer in turn, so each message
// is reported and counted once.
class SalvagingReaderSource : public ReaderSource {
 public:
  SalvagingReaderSource(const MailboxReader& reader, Salvage& salvage, Console& console,
                        const std::string& displayName, const Host& host)
      : ReaderSource(reader, host.paths),
        text_(host.text),
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
  bool leftAnyOut() const override { return damagedCount_ > 0; }

 private:
  void setAside(int32_t i, const FileError& error) {
    damaged_[static_cast<size_t>(i)] = true;
    ++damagedCount_;
    console_.print("Message %ld of mailbox \"%s\" is damaged (%s), kept with the damaged messages\n",
                   static_cast<long>(i) + 1, displayName_.c_str(), text_.displayForm(error.what()).c_str());
    salvage_.addDamaged(reader_.textStart(i), reader_.recordOffset(i), reader_.properties(i));
  }

  const TextRules& text_;
  Salvage& salvage_;
  Console& console_;
  const std::string& displayName_;
  std::vector<bool> damaged_;
  int32_t damagedCount_ = 0;
};

class Recovery {
 public:
  Recovery(const OpenedMailbox& mailbox, Salvage& salvage, const RecoverPlaces& places,
           const CodePageConverter& converter, RunWriters& writers, FileSystem& fileSystem, Console& console)
      : mailbox_(mailbox),
        salvage_(salvage),
        places_(places),
        converter_(converter),
        writers_(writers),
        fileSystem_(fileSystem),
        console_(console) {}

  IndexedOutcome run() {
    const bool indexed = mailbox_.state() == OpenedMailbox::State::Ready;
    const std::string& displayName = mailbox_.displayName();
    IndexedOutcome outcome;
    if (!indexed) outcome.converted.reset();
    int32_t indexedCount = 0;
    int32_t damagedIndexed = 0;
    if (indexed && mailbox_.reader().messageCount() > 0) {
      SalvagingReaderSource source(mailbox_.reader(), salvage_, console_, displayName, writers_.host);
      const Counters before = writers_.counters;
      outcome.written = true;
      if (!writeIndexed(source, displayName, converter_)) return {true, std::nullopt};
      indexedCount = source.messageCount();
      damagedIndexed = source.damagedCount();
      outcome.converted = indexedCount - damagedIndexed;
      if (!countedByEveryFormat(before)) outcome.converted.reset();
      // A message left out makes the mailbox incomplete in every format.
      if (damagedIndexed > 0) writers_.counters = before;
    }
    for (const FoundSet& set : kFoundSets) {
      FoundSource source(salvage_, set.kind, mailbox_.namingFields());
      if (source.messageCount() > 0) writeSet(source, set.name, displayName, converter_);
    }
    console_.print(
        "\"%s\": %ld indexed, %ld converted, %ld recovered, %ld deleted, %ld damaged messages\n",
        displayName.c_str(), static_cast<long>(indexedCount),
        static_cast<long>(indexedCount - damagedIndexed),
        static_cast<long>(salvage_.count(FoundKind::Recovered)),
        static_cast<long>(salvage_.count(FoundKind::Deleted)),
        static_cast<long>(salvage_.count(FoundKind::Damaged)));
    return outcome;
  }

 private:
  // False when the mbox file could not be created, which ends the mailbox
  // as in the plain conversion.
  bool writeIndexed(MessageSource& source, const std::string& displayName,
                    const CodePageConverter& converter) {
    if (!places_.mboxFile.empty() &&
        !writers_.mbox.convertMailbox(writers_.mboxOptions, "", places_.mboxFile, displayName, source,
                                      converter, writers_.counters.mbox)) {
      return false;
    }
    if (!places_.emlDirectory.empty()) {
      makeEmlDirectory();
      writers_.eml.convertMailboxInto(writers_.emlOptions, places_.emlDirectory, displayName, source,
                                      converter, writers_.counters.eml);
    }
    if (places_.otherOutput) places_.otherOutput(source, "");
    if (!places_.maildir.empty() && writers_.maildir.writeFolder(places_.maildir, source,
                                                                 writers_.maildirOptions.overwrite,
                                                                 displayName)) {
      ++writers_.counters.maildir;
    }
    return true;
  }

  // Whether each format written has counted the mailbox as converted since `before`.
  bool countedByEveryFormat(const Counters& before) const {
    return (places_.mboxFile.empty() || writers_.counters.mbox != before.mbox) &&
           (places_.emlDirectory.empty() || writers_.counters.eml != before.eml) &&
           (places_.maildir.empty() || writers_.counters.maildir != before.maildir);
  }

  // A set goes next to the mailbox's own output: an mbox file of its own, a
  // subfolder of its eml folder and a Maildir++ subfolder (".recovered" and
  // so on) of its Maildir, or of its tree folder (".Inbox.recovered"). It does not count as a converted mailbox; its
  // failures have their own lines.
  void writeSet(MessageSource& source, std::string_view setName, const std::string& displayName,
                const CodePageConverter& converter) {
    int32_t ignored = 0;
    if (places_.otherOutput) places_.otherOutput(source, setName);
    if (!places_.mboxFile.empty()) {
      writers_.mbox.convertMailbox(writers_.mboxOptions, "", places_.mboxSetFile(places_.mboxFile, setName, writers_.host),
                                   displayName, source, converter, ignored);
    }
    if (!places_.emlDirectory.empty()) {
      makeEmlDirectory();
      const PathRules& paths = writers_.host.paths;
      const std::string directory = paths.join(places_.emlDirectory, setName);
      fileSystem_.createDirectory(directory);
      writers_.eml.convertMailboxInto(writers_.emlOptions, paths.join(directory, ""), displayName,
                                      source, converter, ignored);
    }
    if (!places_.maildir.empty()) {
      fileSystem_.createDirectory(places_.maildir);
      const std::string folder = places_.maildirSetFolder(places_.maildir, setName, writers_.host);
      writers_.maildir.writeFolder(folder, source, writers_.maildirOptions.overwrite, displayName);
      if (places_.markMaildirSets) MarkMaildirFolder(fileSystem_, folder, writers_.host.paths);
    }
  }

  // The mailbox's eml folder, one level, when missing; a folder that cannot
  // be made shows up as the first message's open failure.
  void makeEmlDirectory() { fileSystem_.createDirectory(writers_.host.paths.directoryPart(places_.emlDirectory)); }

  const OpenedMailbox& mailbox_;
  Salvage& salvage_;
  const RecoverPlaces& places_;
  const CodePageConverter& converter_;
  RunWriters& writers_;
  FileSystem& fileSystem_;
  Console& console_;
};

}  // namespace

std::unique_ptr<Salvage> ScanMailbox(const OpenedMailbox& mailbox, const Host& host, Console& console) {
  std::vector<uint32_t> textStarts;
  if (mailbox.state() == OpenedMailbox::State::Ready) {
    for (int32_t i = 0; i < mailbox.reader().messageCount(); ++i) textStarts.push_back(mailbox.reader().textStart(i));
  }
  try {
    return std::make_unique<Salvage>(mailbox.input(), textStarts, host.calendar);
  } catch (const FileError& error) {
    ReportMailboxFailure(console, error, mailbox.displayName(), host.text);
    return nullptr;
  }
}

IndexedOutcome RecoverMailbox(const OpenedMailbox& mailbox, Salvage& salvage, const RecoverPlaces& places,
                              const CodePageConverter& converter, RunWriters& writers,
                              FileSystem& fileSystem, Console& console) {
  return Recovery(mailbox, salvage, places, converter, writers, fileSystem, console).run();
}

}  // namespace quernel
