#include "cli/opened_mailbox.h"

#include "platform/host.h"
#include "writers/mailbox_failure.h"

namespace quernel {

OpenedMailbox::OpenedMailbox(const std::string& path, FileSystem& fileSystem, Console& console)
    : fileName_(FileNamePart(path)), displayName_(DisplayForm(fileName_)) {
  try {
    input_ = fileSystem.openInput(path);
  } catch (const FileError&) {
    console.print("Unable to open file \"%s\"!\n", DisplayForm(path).c_str());
    return;
  }
  try {
    reader_.emplace(*input_);
  } catch (const FileError& error) {
    ReportMailboxFailure(console, error, displayName_);
    return;
  }
  state_ = classify(console);
}

OpenedMailbox::State OpenedMailbox::classify(Console& console) {
  switch (reader_->status()) {
    case MailboxStatus::Valid:
      break;
    case MailboxStatus::OldVersion:
      console.print("Unable to handle Outlook Express mailboxes below ver. 5!\n");
      return State::Refused;
    case MailboxStatus::FolderList:
    case MailboxStatus::Unrecognised:
      console.print("\"%s\" is not an Outlook Express mailbox!\n", displayName_.c_str());
      return State::Refused;
  }
  if (reader_->messageCount() == 0) {
    console.print("\"%s\" contains no messages, skipped...\n", displayName_.c_str());
    return State::Empty;
  }
  console.print("Processing mailbox \"%s\" (%ld messages)...\n", displayName_.c_str(),
                static_cast<long>(reader_->messageCount()));
  return State::Ready;
}

}  // namespace quernel
