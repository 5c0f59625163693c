#include "writers/maildir_writer.h"

#include <memory>
#include <new>
#include <optional>

#include "writers/eml_paths.h"
#include "writers/maildir_name.h"
#include "writers/output_failure.h"

namespace quernel {
namespace {

constexpr const char* kSubfolders[] = {"cur", "new", "tmp"};

std::string WithoutSeparator(const std::string& folder, const PathRules& paths) {
  return paths.endsWithSeparator(folder) ? paths.directoryPart(folder) : folder;
}

}  // namespace

void CreateMaildir(FileSystem& fileSystem, const std::string& folder, const PathRules& paths) {
  fileSystem.createDirectory(folder);
  for (const char* subfolder : kSubfolders) fileSystem.createDirectory(paths.join(folder, subfolder));
}

bool MarkMaildirFolder(FileSystem& fileSystem, const std::string& folder, const PathRules& paths) {
  try {
    if (const std::unique_ptr<OutputFile> file = fileSystem.createNewOutput(paths.join(folder, "maildirfolder"))) {
      file->close();
    }
    return true;
  } catch (const FileError&) {
    return false;
  }
}

MaildirWriter::MaildirWriter(FileSystem& fileSystem, Console& console, const Host& host)
    : fileSystem_(fileSystem), console_(console), host_(host) {}

void MaildirWriter::convertMailbox(const MaildirOptions& options, const std::string& inputPath,
                                   const std::string& inputFileName, const std::string& displayName,
                                   const MailboxReader& reader, int32_t& counter) {
  const std::string folder = MailboxFolder(options.outputDirectory, inputPath, inputFileName, host_);
  ReaderSource source(reader, host_.paths);
  if (writeFolder(folder, source, options.overwrite, displayName)) ++counter;
}

bool MaildirWriter::writeFolder(const std::string& folder, MessageSource& source, bool overwrite,
                                const std::string& displayName) {
  // Whatever fails to be created shows up as the first message's failure.
  const PathRules& paths = host_.paths;
  const std::string base = WithoutSeparator(folder, paths);
  CreateMaildir(fileSystem_, base, paths);

  const PresentFiles present = listPresent(base);
  Claims& claims = claimed_[folderKey(base)];
  for (int32_t i = 0; i < source.messageCount(); ++i) {
    const MessageProperties& properties = source.properties(i);
    const std::string unique = claimUniqueName(claims, properties.receiveTime, i);
    const auto earlier = present.find(unique);
    if (earlier != present.end() && !overwrite) {
      console_.messageDone();
      continue;
    }
    const std::string name = MaildirFileName(unique, MessageFlags(properties.flags), paths);
    const Outcome outcome = deliver(base, name, source, i, displayName);
    if (outcome == Outcome::Failed) return false;
    console_.messageDone();
    if (outcome == Outcome::LeftOut || earlier == present.end()) continue;
    // Replaced: an earlier file of this message under other flags goes too,
    // now that the new one is complete.
    const std::string delivered = paths.join("cur", name);
    for (const std::string& found : earlier->second) {
      if (found != delivered) fileSystem_.removeFile(paths.join(base, found));
    }
  }
  return true;
}

MaildirWriter::PresentFiles MaildirWriter::listPresent(const std::string& folder) {
  const PathRules& paths = host_.paths;
  PresentFiles present;
  for (const char* subfolder : {"cur", "new"}) {
    // The listing gives full paths, spelled as the system resolves them;
    // they are kept by subfolder and name, to compare with the names made.
    for (const std::string& path : fileSystem_.expandPattern(paths.join(paths.join(folder, subfolder), "*"))) {
      const std::string name = paths.fileNamePart(path);
      present[std::string(MaildirUniquePart(name, paths))].push_back(paths.join(subfolder, name));
    }
  }
  return present;
}

// Which folder `folder` is: its identity, so that two spellings of one
// folder (letter case on a drive that ignores it) are one; its path where
// the system cannot tell.
std::string MaildirWriter::folderKey(const std::string& folder) {
  const std::optional<Entry> entry = fileSystem_.entryAt(folder);
  if (!entry) return "path " + folder;
  return "file " + std::to_string(entry->identity.device) + " " + std::to_string(entry->identity.file);
}

// The message's unique name, numbered on when this run gave it already in
// this folder: a second mailbox writing here must not take the first one's
// message for its own.
std::string MaildirWriter::claimUniqueName(Claims& claims, MessageTime receiveTime, int32_t number) {
  const uint64_t key = uint64_t{static_cast<uint32_t>(receiveTime)} << 32 | static_cast<uint32_t>(number);
  return MaildirUniqueName(receiveTime, number, claims[key]++);
}

MaildirWriter::Outcome MaildirWriter::deliver(const std::string& folder, const std::string& name,
                                              MessageSource& source, int32_t message,
                                              const std::string& displayName) {
  const PathRules& paths = host_.paths;
  const std::string tmpPath = paths.join(paths.join(folder, "tmp"), name);
  const std::string curPath = paths.join(paths.join(folder, "cur"), name);
  std::unique_ptr<OutputFile> file;
  try {
    file = fileSystem_.createOutput(tmpPath, CreateMode::Truncate);
  } catch (const FileError&) {
    console_.print("Unable to open outputfile \"%s\"!\n", host_.text.displayForm(tmpPath).c_str());
    return Outcome::Failed;
  }
  const std::string* failedPath = &tmpPath;
  std::optional<FileError> failure;
  bool leftOut = false;
  try {
    text_.clear();
    // A message the source leaves out goes the failure's way: its file in
    // tmp/ is removed.
    leftOut = !source.appendText(message, text_);
    if (!leftOut) {
      if (!text_.empty()) file->write(text_);
      // Maildir readers take the arrival date from the modification time; a
      // message without a receive time keeps its write time, and a refused
      // stamp leaves the same, which is no reason to lose the message.
      const MessageTime received = source.properties(message).receiveTime;
      if (received != 0) file->stamp(received);
      file->close();
      failedPath = &curPath;
      fileSystem_.renameFile(tmpPath, curPath);
    }
  } catch (const FileError& error) {
    failure = error;
  } catch (const std::bad_alloc&) {
    std::string().swap(text_);  // gives back what the text had taken
    failure = OutOfMemoryError();
  }
  if (!failure && !leftOut) return Outcome::Delivered;
  file.reset();  // closes if still open, ignoring any further error
  fileSystem_.removeFile(tmpPath);
  if (leftOut) return Outcome::LeftOut;
  ReportMessageFileFailure(console_, *failure, *failedPath, displayName, host_.text);
  return Outcome::Failed;
}

}  // namespace quernel
