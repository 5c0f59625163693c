#include "writers/eml_writer.h"

#include <new>
#include <optional>

#include "naming/naming_template.h"
#include "platform/file_error.h"
#include "writers/eml_message.h"
#include "writers/eml_paths.h"
#include "writers/message_naming_fields.h"
#include "writers/output_failure.h"
#include "writers/output_target.h"

namespace quernel {

EmlWriter::EmlWriter(FileSystem& fileSystem, Console& console, const Host& host)
    : fileSystem_(fileSystem), console_(console), host_(host) {}

void EmlWriter::convertMailbox(const EmlOptions& options, const std::string& inputPath,
                               const std::string& inputFileName, const std::string& displayName,
                               const MailboxReader& reader, const CodePageConverter& converter,
                               int32_t& counter) {
  const std::string directory = EmlDirectory(options, inputPath, inputFileName, host_);
  // One level only, and its outcome does not matter: a directory that is
  // missing afterwards shows up as the first message's open failure.
  fileSystem_.createDirectory(host_.paths.directoryPart(directory));
  convertMailboxInto(options, directory, displayName, reader, converter, counter);
}

void EmlWriter::convertMailboxInto(const EmlOptions& options, const std::string& directory,
                                   const std::string& displayName, const MailboxReader& reader,
                                   const CodePageConverter& converter, int32_t& counter) {
  ReaderSource source(reader, host_.paths);
  convertMailboxInto(options, directory, displayName, source, converter, counter);
}

void EmlWriter::convertMailboxInto(const EmlOptions& options, const std::string& directory,
                                   const std::string& displayName, MessageSource& source,
                                   const CodePageConverter& converter, int32_t& counter) {
  // The mailbox's fields and the template are taken once; each message sets
  // its own fields.
  NamingFields fields = NamingFieldsFor(source.mailboxFields(), converter);
  const std::string nameTemplate = converter.fromProgramText(options.nameTemplate);
  int32_t handled = 0;
  for (int32_t i = 0; i < source.messageCount(); ++i) {
    SetMessageNamingFields(fields, source.properties(i), converter);
    std::string name = ExpandNamingTemplate(nameTemplate, fields, host_.text, host_.calendar);
    converter.toProgramText(name);
    const std::string basePath = directory + name;
    Choice choice = chooseOutputPath(basePath, directory, name, options.overwrite);
    const Outcome outcome = writeMessage(options, choice, displayName, source, i);
    if (outcome == Outcome::Failed) break;
    ++handled;
    if (outcome == Outcome::LeftOut) continue;
    highestTaken_.insert_or_assign(basePath, choice.number);
    if (const std::optional<Entry> entry = options.overwrite ? fileSystem_.entryAt(choice.path) : std::nullopt) {
      writtenFiles_.insert(entry->identity);
    }
  }
  if (handled == source.messageCount()) ++counter;
}

EmlWriter::Choice EmlWriter::chooseOutputPath(const std::string& basePath,
                                              const std::string& directory,
                                              const std::string& name, bool overwrite) {
  auto known = highestTaken_.find(basePath);
  Choice choice;
  choice.number = known == highestTaken_.end() ? 0 : known->second + 1;
  for (;; ++choice.number) {
    choice.path = choice.number == 0 ? basePath : directory + NumberedName(name, choice.number, host_.text);
    if (claim(choice, overwrite)) return choice;
    highestTaken_.insert_or_assign(basePath, choice.number);
  }
}

bool EmlWriter::claim(Choice& choice, bool overwrite) {
  // With -overwrite the files of earlier runs are there to be replaced; only
  // what this run wrote itself must not be lost. That is known by identity:
  // on a drive that ignores letter case "hello.eml" names "Hello.eml" too.
  if (overwrite) {
    choice.existing = fileSystem_.entryAt(choice.path);
    return !choice.existing || !writtenFiles_.contains(choice.existing->identity);
  }
  // A name nothing stands at is free and created in the same step. Where
  // something stands, the probe decides as it always has: only a regular
  // file that opens for reading is taken; a directory, or a file another
  // program holds, counts as free, and creating it then fails and is reported.
  try {
    choice.file = fileSystem_.createNewOutput(choice.path);
    if (choice.file) return true;
  } catch (const FileError&) {
    return true;  // the create in writeMessage meets the same error and reports it
  }
  try {
    fileSystem_.openInput(choice.path);  // closed again at once
  } catch (const FileError&) {
    return true;
  }
  return false;
}

EmlWriter::Outcome EmlWriter::writeMessage(const EmlOptions& options, Choice& choice,
                                           const std::string& displayName, MessageSource& source,
                                           int32_t i) {
  const std::string& path = choice.path;
  // An earlier run's file is replaced only once the message is complete.
  std::optional<OutputTarget> target;
  try {
    if (choice.file) {
      target.emplace(fileSystem_, path, std::move(choice.file));
    } else {
      target.emplace(fileSystem_, path, choice.existing);
    }
  } catch (const FileError&) {
    console_.print("Unable to open outputfile \"%s\"!\n", host_.text.displayForm(path).c_str());
    return Outcome::Failed;
  }
  std::optional<FileError> failure;
  bool leftOut = false;
  try {
    text_.clear();
    // A message the source leaves out goes the failure's way: the file
    // already created for it is removed.
    leftOut = !AppendEmlMessage(options, source, i, text_);
    if (!leftOut) {
      if (!text_.empty()) target->file().write(text_);
      const MessageTime time = ChosenDate(source.properties(i), options.date);
      // A message without that date keeps its write time; a refused stamp
      // leaves the same, which is no reason to lose the message.
      if (time != 0) target->file().stamp(time);
      // Stamped before the close, on the open file: one call, no reopening;
      // a rename keeps the time. A close that reports a deferred write error
      // means the bytes may not be on disk, so it fails the message like the
      // write itself would.
      target->commit();
    }
  } catch (const FileError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    std::string().swap(text_);  // gives back what the text had taken
    failure = OutOfMemoryError();
  }
  if (!failure && !leftOut) return Outcome::Written;
  const std::string written = target->writtenPath();
  target.reset();  // closes if still open, ignoring any further error
  fileSystem_.removeFile(written);
  if (leftOut) return Outcome::LeftOut;
  ReportMessageFileFailure(console_, *failure, path, displayName, host_.text);
  return Outcome::Failed;
}

}  // namespace quernel
