#include "writers/mbox_writer.h"

#include <new>
#include <optional>

#include "naming/naming_template.h"
#include "writers/mailbox_failure.h"
#include "writers/mbox_message.h"
#include "writers/message_naming_fields.h"
#include "writers/output_target.h"

namespace quernel {

std::string MboxOutputPath(const MboxOptions& options, const std::string& inputPath,
                           const NamingFields& mailbox, const CodePageConverter& converter, const Host& host) {
  const std::string directory =
      options.outputDirectory.empty() ? host.paths.directoryPart(inputPath) : options.outputDirectory;
  std::string name = ExpandNamingTemplate(converter.fromProgramText(options.nameTemplate),
                                          NamingFieldsFor(mailbox, converter), host.text, host.calendar);
  converter.toProgramText(name);
  return host.paths.join(directory, name);
}

namespace {

// Runs `work`; returns the failure that stopped it, or nothing.
template <typename Work>
std::optional<FileError> Attempt(Work work) {
  try {
    work();
  } catch (const FileError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return OutOfMemoryError();
  }
  return std::nullopt;
}

// The failure that stopped the writing, or nothing when every message was
// written. The messages read before a failure are written before it is
// reported, so the file then ends with the message before the failed one;
// a failure of that write is the one reported.
std::optional<FileError> WriteAllMessages(OutputFile& file, const MboxOptions& options,
                                          MessageSource& source, const CodePageConverter& converter,
                                          const Calendar& calendar, Console& console) {
  MboxMessage pending(file, calendar);
  const std::optional<FileError> failure = Attempt([&] {
    for (int32_t message = 0; message < source.messageCount(); ++message) {
      pending.read(options, source, converter, message);
      console.messageDone();
    }
    pending.flush();
  });
  if (!failure) return std::nullopt;
  const std::optional<FileError> flushFailure = Attempt([&] { pending.flush(); });
  return flushFailure ? flushFailure : failure;
}

// Closes the file, and moves it over the file it replaces when `complete`.
// False when that failed: the bytes may then not be safely stored.
bool FinishCleanly(OutputTarget& target, bool complete) {
  try {
    if (complete) {
      target.commit();
    } else {
      target.file().close();
    }
    return true;
  } catch (const FileError&) {
    return false;
  }
}

}  // namespace

MboxWriter::MboxWriter(FileSystem& fileSystem, Console& console, const Host& host)
    : fileSystem_(fileSystem), console_(console), host_(host) {}

bool MboxWriter::convertMailbox(const MboxOptions& options, const std::string& inputPath,
                                const std::string& displayName, const MailboxReader& reader,
                                const CodePageConverter& converter, int32_t& counter) {
  ReaderSource source(reader, host_.paths);
  return convertMailbox(options, inputPath, "", displayName, source, converter, counter);
}

bool MboxWriter::convertMailboxTo(const MboxOptions& options, const std::string& outputPath,
                                  const std::string& displayName, const MailboxReader& reader,
                                  const CodePageConverter& converter, int32_t& counter) {
  ReaderSource source(reader, host_.paths);
  return convertMailbox(options, "", outputPath, displayName, source, converter, counter);
}

bool MboxWriter::convertMailbox(const MboxOptions& options, const std::string& inputPath,
                                const std::string& chosenPath, const std::string& displayName,
                                MessageSource& source, const CodePageConverter& converter,
                                int32_t& counter) {
  const std::string outputPath =
      chosenPath.empty() ? MboxOutputPath(options, inputPath, source.mailboxFields(), converter, host_) : chosenPath;
  const std::string displayPath = host_.text.displayForm(outputPath);

  // A file this run has written already holds an earlier mailbox's messages
  // (a template without $DBXNAME$): add to it rather than destroy them. It is
  // known by identity, since on a drive that ignores letter case another
  // spelling names it too. Any other file is replaced only when complete.
  const std::optional<Entry> existing = fileSystem_.entryAt(outputPath);
  const auto written = existing ? writtenFiles_.find(existing->identity) : writtenFiles_.end();
  std::optional<OutputTarget> target;
  try {
    if (written != writtenFiles_.end()) {
      const std::string& path = written->second;
      target.emplace(fileSystem_, path, fileSystem_.createOutput(path, CreateMode::Append));
    } else {
      target.emplace(fileSystem_, outputPath, existing);
      if (!target->replaces()) writtenFiles_.emplace(target->file().identity(), outputPath);
    }
  } catch (const FileError&) {
    console_.print("Unable to open outputfile \"%s\"!\n", displayPath.c_str());
    return false;
  }

  const std::optional<FileError> failure =
      WriteAllMessages(target->file(), options, source, converter, host_.calendar, console_);
  const bool writeFailed = failure && failure->hitOutput();
  // Messages the source left out make the file incomplete, as a failure does.
  const bool incomplete = failure || source.leftAnyOut();
  // A close can report a deferred write error; the messages are then not
  // safely stored, whatever happened before.
  const bool stored = FinishCleanly(*target, !incomplete);
  std::string kept;
  if (target->replaces()) {
    rememberReplacement(*target, outputPath, *existing, incomplete || !stored);
    if (incomplete || !stored) kept = " (output kept in \"" + host_.text.displayForm(target->writtenPath()) + "\")";
  }
  if (failure && !writeFailed) {
    ReportMailboxFailure(console_, *failure, displayName, host_.text, stored ? kept : std::string());
  }
  if (!stored || writeFailed) {
    console_.print("Unable to write to outputfile \"%s\" (disk full?)%s\n", displayPath.c_str(),
                   kept.c_str());
    return true;
  }
  if (!failure && !kept.empty()) {
    console_.print("Mailbox \"%s\" is incomplete: \"%s\" stays as it was%s\n", displayName.c_str(),
                   displayPath.c_str(), kept.c_str());
  }
  if (!failure) ++counter;
  return true;
}

void MboxWriter::rememberReplacement(const OutputTarget& target, const std::string& outputPath,
                                     const Entry& replaced, bool failed) {
  // Where a replacement failed, the earlier file stays untouched: the next
  // mailbox of this run naming it goes on in the file kept beside it.
  if (failed) {
    writtenFiles_.emplace(replaced.identity, target.writtenPath());
  } else if (const std::optional<Entry> entry = fileSystem_.entryAt(outputPath)) {
    writtenFiles_.emplace(entry->identity, outputPath);
  }
}

}  // namespace quernel
