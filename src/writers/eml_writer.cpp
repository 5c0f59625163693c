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
  removeLeftTemporaries(directory);
  int32_t handled = 0;
  for (int32_t i = 0; i < source.messageCount(); ++i) {
    SetMessageNamingFields(fields, source.properties(i), converter);
    std::string name = ExpandNamingTemplate(nameTemplate, fields, host_.text, host_.calendar);
    converter.toProgramText(name);
    Choice choice = chooseOutputPath(directory, name, options.overwrite);
    const Outcome outcome = writeMessage(options, choice, displayName, source, i);
    if (outcome == Outcome::Failed) break;
    ++handled;
    console_.messageDone();
    if (outcome == Outcome::LeftOut) continue;
    highestTaken_.insert_or_assign(choice.basePath, choice.number);
    if (const std::optional<Entry> entry = options.overwrite ? fileSystem_.entryAt(choice.path) : std::nullopt) {
      writtenFiles_.insert(entry->identity);
    }
  }
  if (handled == source.messageCount()) ++counter;
}

EmlWriter::Choice EmlWriter::chooseOutputPath(const std::string& directory, const std::string& name,
                                              bool overwrite) {
  Choice choice;
  choice.directory = directory;
  choice.name = name;
  choice.basePath = directory + name;
  auto known = highestTaken_.find(choice.basePath);
  choice.number = known == highestTaken_.end() ? 0 : known->second + 1;
  choice.path = numberedPath(choice);
  // Without -overwrite the rename that gives a message its name finds out
  // whether the name is free (publish).
  if (!overwrite) {
    choice.vacant = true;
    return choice;
  }
  // With -overwrite the files of earlier runs are there to be replaced; only
  // what this run wrote itself must not be lost. That is known by identity:
  // on a drive that ignores letter case "hello.eml" names "Hello.eml" too.
  for (;;) {
    choice.existing = fileSystem_.entryAt(choice.path);
    choice.vacant = !choice.existing;
    if (!choice.existing || !writtenFiles_.contains(choice.existing->identity)) return choice;
    nextNumber(choice);
  }
}

std::string EmlWriter::numberedPath(const Choice& choice) const {
  return choice.number == 0 ? choice.basePath
                            : choice.directory + NumberedName(choice.name, choice.number, host_.text);
}

void EmlWriter::nextNumber(Choice& choice) {
  highestTaken_.insert_or_assign(choice.basePath, choice.number);
  ++choice.number;
  choice.path = numberedPath(choice);
}

bool EmlWriter::publish(const std::string& temporary, Choice& choice, bool overwrite) {
  for (;; nextNumber(choice)) {
    if (fileSystem_.renameToNewName(temporary, choice.path)) return true;
    // With -overwrite only what appeared while the message was written
    // stands there; it is left alone.
    if (overwrite) continue;
    // Only a regular file that opens for reading is taken; a directory, or
    // a file another program holds, is in the way.
    try {
      fileSystem_.openInput(choice.path);  // closed again at once
    } catch (const FileError&) {
      return false;
    }
  }
}

void EmlWriter::removeLeftTemporaries(const std::string& directory) {
  if (!sweptDirectories_.insert(directory).second) return;
  for (const std::string& path : fileSystem_.expandPattern(directory + std::string(kTemporaryEmlPattern))) {
    if (!IsTemporaryEmlName(host_.paths.fileNamePart(path))) continue;
    try {
      fileSystem_.openInput(path);  // fails while another run still writes it
    } catch (const FileError&) {
      continue;
    }
    fileSystem_.removeFile(path);
  }
}

std::unique_ptr<OutputFile> EmlWriter::createTemporary(const std::string& directory, std::string& path) {
  for (uint64_t number = 0;; ++number) {
    path = directory + TemporaryEmlName(number);
    if (std::unique_ptr<OutputFile> file = fileSystem_.createNewOutput(path)) return file;
  }
}

EmlWriter::Outcome EmlWriter::writeMessage(const EmlOptions& options, Choice& choice,
                                           const std::string& displayName, MessageSource& source, int32_t i) {
  // An earlier run's file is replaced only once the message is complete,
  // and a vacant name gets the message only once it is complete.
  std::optional<OutputTarget> target;
  try {
    if (choice.vacant) {
      std::string temporary;
      std::unique_ptr<OutputFile> file = createTemporary(choice.directory, temporary);
      target.emplace(fileSystem_, std::move(temporary), std::move(file));
    } else {
      target.emplace(fileSystem_, choice.path, choice.existing);
    }
  } catch (const FileError&) {
    console_.print("Unable to open outputfile \"%s\"!\n", host_.text.displayForm(choice.path).c_str());
    return Outcome::Failed;
  }
  std::optional<FileError> failure;
  bool leftOut = false;
  bool inTheWay = false;
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
      if (choice.vacant && !publish(target->writtenPath(), choice, options.overwrite)) inTheWay = true;
    }
  } catch (const FileError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    std::string().swap(text_);  // gives back what the text had taken
    failure = OutOfMemoryError();
  }
  if (!failure && !leftOut && !inTheWay) return Outcome::Written;
  const std::string written = target->writtenPath();
  target.reset();  // closes if still open, ignoring any further error
  fileSystem_.removeFile(written);
  if (leftOut) return Outcome::LeftOut;
  if (inTheWay) {
    console_.print("Unable to open outputfile \"%s\"!\n", host_.text.displayForm(choice.path).c_str());
    return Outcome::Failed;
  }
  ReportMessageFileFailure(console_, *failure, choice.path, displayName, host_.text);
  return Outcome::Failed;
}

}  // namespace quernel
