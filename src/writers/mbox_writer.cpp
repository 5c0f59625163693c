#include "writers/mbox_writer.h"

#include <array>
#include <optional>

#include "naming/date_format.h"
#include "naming/naming_template.h"
#include "platform/host.h"

namespace quernel {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr const char* kSeparatorDateFormat = "%a %b %d %X %Y";

std::string OutputPath(const RunSettings& settings, const std::string& inputPath,
                       const MailboxReader& reader) {
  const std::string directory = settings.outputDirectory.empty()
                                    ? DirectoryPart(inputPath)
                                    : settings.outputDirectory;
  return JoinPath(directory, ExpandNamingTemplate(settings.mboxTemplate, reader, -1));
}

// "From " + sender + " " + date. A control byte in the address (a CR or LF
// from a damaged or crafted mailbox) would end the line early and could forge
// a message boundary, so each one is written as "_".
std::string SeparatorLine(const RunSettings& settings, const MailboxReader& reader,
                          int32_t message) {
  const std::string& sender = reader.senderAddress(message);
  const MessageTime time = settings.has(flags::kReceiveDate) ? reader.receiveTime(message)
                                                             : reader.sendTime(message);
  std::string line = "From ";
  if (sender.empty()) {
    line += '-';
  } else {
    for (char byte : sender) line += static_cast<unsigned char>(byte) < 0x20 ? '_' : byte;
  }
  line += ' ';
  line += FormatMessageTime(time, kSeparatorDateFormat);
  return line;
}

// Writes one message as one gathered write. The text is read before anything
// of the message is written, so a damaged text leaves the file ending cleanly
// after the previous message instead of with a separator line of its own.
void WriteMessage(OutputFile& file, const RunSettings& settings, const MailboxReader& reader,
                  int32_t message) {
  std::string quoted = quoteFromLines(reader.messageText(message), settings.flags);
  const std::string separator = SeparatorLine(settings, reader, message);
  // Without -dn every message is followed by exactly one empty line, so a
  // text whose last line lacks its line end gets a second one.
  const bool secondLineEnd = settings.has(flags::kDoubleNewline) ||
                             (!quoted.empty() && quoted.back() != '\n');
  const std::array<std::string_view, 5> pieces = {separator, kLineEnd, quoted, kLineEnd,
                                                  kLineEnd};
  file.write(std::span<const std::string_view>(pieces.data(), secondLineEnd ? 5 : 4));
}

// The cause of the file error that stopped the writing, or nothing when every
// message was written.
std::optional<FileErrorCause> WriteAllMessages(OutputFile& file, const RunSettings& settings,
                                               const MailboxReader& reader) {
  try {
    for (int32_t message = 0; message < reader.messageCount(); ++message) {
      WriteMessage(file, settings, reader, message);
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

  const std::optional<FileErrorCause> failure = WriteAllMessages(*file, settings, reader);
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
