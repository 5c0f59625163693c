#include "writers/mbox_writer.h"

#include <new>
#include <optional>

#include "naming/naming_template.h"
#include "platform/host.h"
#include "writers/mailbox_failure.h"
#include "writers/mbox_message.h"

namespace quernel {
namespace {

std::string OutputPath(const RunSettings& settings, const std::string& inputPath,
                       const MailboxReader& reader) {
  const std::string directory = settings.outputDirectory.empty()
                                    ? DirectoryPart(inputPath)
                                    : settings.outputDirectory;
  return JoinPath(directory, ExpandNamingTemplate(settings.mboxTemplate, reader, -1));
}

// The failure that stopped the writing, or nothing when every message was
// written.
std::optional<FileError> WriteAllMessages(OutputFile& file, const RunSettings& settings,
                                          const MailboxReader& reader) {
  MboxMessage pending(file);
  try {
    for (int32_t message = 0; message < reader.messageCount(); ++message) {
      pending.read(settings, reader, message);
      pending.write();
    }
  } catch (const FileError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return OutOfMemoryError();
  }
  return std::nullopt;
}

bool CloseCleanly(OutputFile& file) {
  try {
    file.close();
    return true;
  } catch (const FileError&) {
    return false;
  }
}

}  // namespace

MboxWriter::MboxWriter(FileSystem& fileSystem, Console& console)
    : fileSystem_(fileSystem), console_(console) {}

bool MboxWriter::convertMailbox(const RunSettings& settings, const std::string& inputPath,
                                const std::string& displayName, const MailboxReader& reader,
                                int32_t& counter) {
  const std::string outputPath = OutputPath(settings, inputPath, reader);
  const std::string displayPath = DisplayForm(outputPath);

  // A file this run has written already holds an earlier mailbox's messages
  // (a template without $DBXNAME$): add to it rather than destroy them.
  const CreateMode mode =
      writtenPaths_.contains(outputPath) ? CreateMode::Append : CreateMode::Truncate;
  std::unique_ptr<OutputFile> file;
  try {
    file = fileSystem_.createOutput(outputPath, mode);
  } catch (const FileError&) {
    console_.print("Unable to open outputfile \"%s\"!\n", displayPath.c_str());
    return false;
  }
  writtenPaths_.insert(outputPath);

  const std::optional<FileError> failure = WriteAllMessages(*file, settings, reader);
  const bool writeFailed = failure && failure->hitOutput();
  if (failure && !writeFailed) ReportMailboxFailure(console_, *failure, displayName);
  // A close can report a deferred write error; the messages are then not
  // safely stored, whatever happened before.
  if (!CloseCleanly(*file) || writeFailed) {
    console_.print("Unable to write to outputfile \"%s\" (disk full?)\n", displayPath.c_str());
    return true;
  }
  if (!failure) ++counter;
  return true;
}

}  // namespace quernel
