#pragma once
// MboxBatch: the next messages of one mbox file, written together in one
// gathered write. Their bytes are read straight into one buffer that keeps
// its memory from batch to batch; the ">" of the quoting goes out as a piece
// of its own between two runs of that buffer, so no text is copied twice.
//
// The file sees the same bytes in the same order as if every message were
// written on its own. A caller keeps "everything before a failure is in the
// file" by flushing the batch before it reports a failure to read a message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_settings.h"
#include "dbx/mailbox_reader.h"
#include "platform/file_system.h"

namespace quernel {

class MboxBatch {
 public:
  explicit MboxBatch(OutputFile& file) : file_(file) {}

  // Reads message `message` and adds its separator line, quoted text and line
  // ends. Raises the reader's FileError for a damaged text; the batch is
  // then as it was before the call.
  void add(const RunSettings& settings, const MailboxReader& reader, int32_t message);

  // True when the batch holds enough to be worth a write.
  bool full() const;

  // Writes everything pending and empties the batch; raises FileError.
  void flush();

 private:
  // A run of buffer_ bytes, or the ">" of the quoting when size is 0.
  struct Run {
    size_t offset;
    size_t size;
  };

  void addRun(size_t offset, size_t size);
  void clear();

  OutputFile& file_;
  std::string buffer_;
  std::vector<Run> runs_;
  std::vector<size_t> quotes_;            // reused for each message
  std::vector<std::string_view> pieces_;  // reused for each write
};

}  // namespace quernel
