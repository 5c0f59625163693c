#include "cli/opened_mailbox.h"

#include "writers/mailbox_failure.h"

namespace quernel {

OpenedMailbox::OpenedMailbox(const std::string& path, FileSystem& fileSystem, Console& console,
                             const Host& host, bool salvaging)
    : host_(host),
      fileName_(host.paths.fileNamePart(path)),
      displayName_(host.text.displayForm(fileName_)),
      salvaging_(salvaging) {
  try {
    input_ = fileSystem.openInput(path);
  } catch (const FileError&) {
    console.print("Unable to open file \"%s\"!\n", host_.text.displayForm(path).c_str());
    return;
  }
  try {
    reader_.emplace(*input_, host_.calendar);
  } catch (const FileError& error) {
    // A failed read ends the mailbox in any mode; a damaged index leaves
    // the file to scan.
    if (salvaging_ && error.isCorruption()) {
      reader_.reset();
      state_ = scanOnly(console, "its index is defective");
    } else {
      ReportMailboxFailure(console, error, displayName_, host_.text);
    }
    return;
  }
  state_ = classify(console);
}

NamingFields OpenedMailbox::namingFields() const {
  NamingFields fields;
  fields.mailboxName = fileName_;
  fields.mailboxTime = MailboxFileTime(*input_, host_.calendar);
  return fields;
}

OpenedMailbox::State OpenedMailbox::scanOnly(Console& console, const char* why) {
  console.print("Scanning the whole of \"%s\" for messages: %s...\n", displayName_.c_str(), why);
  return State::ScanOnly;
}

OpenedMailbox::State OpenedMailbox::classify(Console& console) {
  switch (reader_->status()) {
    case MailboxStatus::Valid:
      break;
    case MailboxStatus::OldVersion:
      console.print("Unable to handle Outlook Express mailboxes below ver. 5!\n");
      return State::Refused;
    case MailboxStatus::Unrecognised:
      if (salvaging_) return scanOnly(console, "it has no mailbox signature");
      [[fallthrough]];
    case MailboxStatus::FolderList:
      console.print("\"%s\" is not an Outlook Express mailbox!\n", displayName_.c_str());
      return State::Refused;
  }
  if (reader_->messageCount() == 0 && !salvaging_) {
    console.print("\"%s\" contains no messages, skipped...\n", displayName_.c_str());
    return State::Empty;
  }
  console.print("Processing mailbox \"%s\" (%ld messages)...\n", displayName_.c_str(),
                static_cast<long>(reader_->messageCount()));
  return State::Ready;
}

}  // namespace quernel
