#pragma once
// MboxMessage: one message of an mbox file, laid out and written in one
// gathered write. Its bytes are read straight into one buffer that keeps its
// memory from message to message; the ">" of the quoting goes out as a piece
// of its own between two runs of that buffer, so no text is copied twice.
//
// Nothing is held back beyond the one message: each is written before the
// next is read, so everything before a failure is in the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "writers/mbox_options.h"
#include "writers/status_headers.h"

namespace quernel {

class MboxMessage {
 public:
  explicit MboxMessage(OutputFile& file) : file_(file) {}

  // Reads message `message` and lays out its separator line (the sender
  // address converted by `converter`), quoted text and line ends. Raises the
  // reader's FileError for a damaged text, before anything of the message is
  // written.
  void read(const MboxOptions& options, const MailboxReader& reader,
            const CodePageConverter& converter, int32_t message);

  // Writes the message read last in one gathered write; raises FileError.
  void write();

 private:
  // A run of buffer_ bytes, or the ">" of the quoting when size is 0.
  struct Run {
    size_t offset;
    size_t size;
  };

  // The runs of the message laid out in buffer_: the text from textStart,
  // its line ends up to tailEnd and, when edited, the state lines behind.
  void addRuns(size_t textStart, size_t tailEnd, bool edited);
  void addRun(size_t offset, size_t size);
  void clear();

  OutputFile& file_;
  std::string buffer_;
  std::vector<Run> runs_;
  std::vector<size_t> quotes_;            // reused for each message
  StatusHeaderEdit edit_;                 // reused for each message
  std::vector<std::string_view> pieces_;  // reused for each write
};

}  // namespace quernel
