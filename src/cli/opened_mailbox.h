#pragma once
// One mailbox file opened for conversion: read, classified, and announced or
// reported in the lines every run prints for it.

#include <memory>
#include <optional>
#include <string>

#include "dbx/mailbox_reader.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

class OpenedMailbox {
 public:
  enum class State {
    Ready,    // a mailbox with messages; "Processing mailbox" is printed
    Empty,    // a mailbox without messages; "contains no messages" is printed
    Refused,  // not opened, defective, or no mailbox; the reason is printed
  };

  OpenedMailbox(const std::string& path, FileSystem& fileSystem, Console& console);
  OpenedMailbox(const OpenedMailbox&) = delete;
  OpenedMailbox& operator=(const OpenedMailbox&) = delete;

  State state() const { return state_; }
  // Only when the state is not Refused.
  const MailboxReader& reader() const { return *reader_; }
  const std::string& fileName() const { return fileName_; }
  // The file name as the console shows it, in every line about the mailbox.
  const std::string& displayName() const { return displayName_; }

 private:
  State classify(Console& console);

  std::string fileName_;
  std::string displayName_;
  std::unique_ptr<InputFile> input_;
  std::optional<MailboxReader> reader_;
  State state_ = State::Refused;
};

}  // namespace quernel
