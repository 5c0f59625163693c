#include "writers/mbox_writer.h"

#include <optional>

#include "naming/naming_template.h"
#include "platform/host.h"
#include "writers/mbox_message.h"
#include "writers/message_naming_fields.h"

namespace quernel {
namespace {

std::string OutputPath(const MboxOptions& options, const std::string& inputPath,
                       const MailboxReader& reader) {
  const std::string directory =
      options.outputDirectory.empty() ? DirectoryPart(inputPath) : options.outputDirectory;
  const NamingFields fields = MailboxNamingFields(reader);
  return JoinPath(directory, ExpandNamingTemplate(options.nameTemplate, fields));
}

// The cause of the file error that stopped the writing, or nothing when every
// message was written.
std::optional<FileErrorCause> WriteAllMessages(OutputFile& file, const MboxOptions& options,
                                               const MailboxReader& reader,
                                               const CodePageConverter& converter) {
  MboxMessage pending(file);
  try {
    for (int32_t message = 0; message < reader.messageCount(); ++message) {
      pending.read(options, reader, converter, message);
      pending.write();
    }
  } catch (const FileError& error) {
    return error.cause();
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

bool MboxWriter::convertMailbox(const MboxOptions& options, const std::string& inputPath,
                                const std::string& displayName, const MailboxReader& reader,
                                const CodePageConverter& converter, int32_t& counter) {
  const std::string outputPath = OutputPath(options, inputPath, reader);
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

  const std::optional<FileErrorCause> failure = WriteAllMessages(*file, options, reader, converter);
  const bool writeFailed = failure && !MeansDefectiveMailbox(*failure);
  if (failure && !writeFailed) {
    console_.print("File \"%s\" seems to be defective!\n", displayName.c_str());
  }
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
