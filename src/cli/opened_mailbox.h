#pragma once
// One mailbox file opened for conversion: read, classified, and announced or
// reported in the lines every run prints for it.

#include <memory>
#include <optional>
#include <string>

#include "dbx/mailbox_reader.h"
#include "naming/naming_fields.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace quernel {

class OpenedMailbox {
 public:
  enum class State {
    Ready,    // a mailbox with messages; "Processing mailbox" is printed
    Empty,    // a mailbox without messages; "contains no messages" is printed
    Refused,  // not opened, defective, or no mailbox; the reason is printed
    ScanOnly,  // salvaging: no usable index, but the file is there to scan
  };

  // `salvaging`: a mailbox without messages is Ready, and one whose index or
  // signature is unusable is ScanOnly, each with its line saying so. The
  // file's name, its display form and the messages' dates follow `host`'s
  // rules; the host outlives the object.
  OpenedMailbox(const std::string& path, FileSystem& fileSystem, Console& console, const Host& host,
                bool salvaging = false);
  OpenedMailbox(const OpenedMailbox&) = delete;
  OpenedMailbox& operator=(const OpenedMailbox&) = delete;

  State state() const { return state_; }
  // Whether its index lists any message: otherwise all it holds is what a
  // scan finds.
  bool listsMessages() const { return state_ == State::Ready && reader_->messageCount() > 0; }
  // Only when the state is not Refused.
  const MailboxReader& reader() const { return *reader_; }
  // Only when the state is not Refused.
  InputFile& input() const { return *input_; }
  const std::string& fileName() const { return fileName_; }
  // The mailbox's file name and time, for the naming templates; only when
  // the state is not Refused.
  NamingFields namingFields() const;
  // The file name as the console shows it, in every line about the mailbox.
  const std::string& displayName() const { return displayName_; }

 private:
  State classify(Console& console);
  State scanOnly(Console& console, const char* why);

  const Host& host_;
  std::string fileName_;
  std::string displayName_;
  std::unique_ptr<InputFile> input_;
  std::optional<MailboxReader> reader_;
  State state_ = State::Refused;
  bool salvaging_;
};

}  // namespace quernel
