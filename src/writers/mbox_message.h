#pragma once
// MboxMessage: the messages of an mbox file, laid out and written in
// gathered writes of up to kWriteSize bytes. Their bytes are read straight
// into one buffer that keeps its memory from message to message; the ">" of
// the quoting goes out as a piece of its own between two runs of that buffer,
// so no text is copied twice.
//
// Messages wait in the buffer until the next one would take the write past
// kWriteSize, so that a mailbox of small messages costs one write per
// kWriteSize bytes instead of one per message. The file receives the same
// bytes in the same order as when each message is written on its own; the
// caller flushes before it reports a failure, so that the file then ends
// with every message read before it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "writers/mbox_options.h"
#include "writers/message_source.h"
#include "writers/status_headers.h"

namespace quernel {

class MboxMessage {
 public:
  static constexpr size_t kWriteSize = 1024 * 1024;

  // `calendar` (the host's) gives the separator lines' local time.
  MboxMessage(OutputFile& file, const Calendar& calendar) : file_(file), calendar_(calendar) {}

  // Reads message `message` and lays out its separator line (the sender
  // address converted by `converter`), quoted text and line ends after the
  // messages waiting to be written. Writes the waiting ones first when the
  // new one would take them past kWriteSize, and writes the new one at once
  // when it reaches kWriteSize on its own.
  // Raises the source's FileError for a damaged text (nothing of the message
  // is then kept; the earlier ones still wait) and the file's FileError for
  // a failed write (nothing waits after it). A message the source leaves out
  // is not kept either.
  void read(const MboxOptions& options, MessageSource& source, const CodePageConverter& converter,
            int32_t message);

  // Writes the waiting messages in one gathered write; raises FileError.
  void flush();

 private:
  // A run of buffer_ bytes, or the ">" of the quoting when size is 0.
  struct Run {
    size_t offset;
    size_t size;
  };

  // Where one message lies in buffer_: its text from textStart, its line
  // ends up to tailEnd and, with state lines, those behind them.
  struct Layout {
    size_t textStart = 0;
    size_t tailEnd = 0;
    bool edited = false;
  };

  // Nothing when the source leaves the message out.
  std::optional<Layout> lay(const MboxOptions& options, MessageSource& source,
                            const CodePageConverter& converter, int32_t message);
  // The runs of the message laid out from `start` on.
  void addRuns(size_t start, const Layout& laid);
  void addRun(size_t offset, size_t size);
  // Writes every waiting run, all of which lie before buffer byte `end`, and
  // drops the bytes before `end`.
  void writeWaiting(size_t end);
  void clear();

  OutputFile& file_;
  const Calendar& calendar_;
  std::string buffer_;
  std::vector<Run> runs_;
  size_t waitingBytes_ = 0;               // what runs_ write, quotes included
  std::vector<size_t> quotes_;            // reused for each message
  StatusHeaderEdit edit_;                 // reused for each message
  std::vector<std::string_view> pieces_;  // reused for each write
};

}  // namespace quernel
