#pragma once
// MboxWriter: writes all messages of one mailbox into one mbox file, in the
// mboxo or mboxrd variant. quoteFromLines does the variant's ">" quoting.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "cli/run_settings.h"
#include "dbx/mailbox_reader.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

// A copy of `text` with ">" inserted before lines that begin with "From "
// (mboxo), or with any run of ">" followed by "From " (mboxrd, flag 0x002);
// flag 0x008 compares "From" without regard to ASCII letter case.
std::string quoteFromLines(std::string_view text, uint32_t flags);

// Appends to `positions`, in order, the offsets in `text` before which the
// quoting of `flags` inserts a ">".
void FindQuotePositions(std::string_view text, uint32_t flags, std::vector<size_t>& positions);

class OutputTarget;

// One writer lives for the whole run: it remembers which mbox files this run
// has written, so that two mailboxes naming the same file are appended
// rather than overwritten. A file from before the run is replaced only by a
// complete mailbox.
class MboxWriter {
 public:
  MboxWriter(FileSystem& fileSystem, Console& console);

  // Returns false only when the output file could not be created; increments
  // `counter` only when every message was written and the file closed cleanly.
  bool convertMailbox(const RunSettings& settings, const std::string& inputPath,
                      const std::string& displayName, const MailboxReader& reader,
                      int32_t& counter);

 private:
  void rememberReplacement(const OutputTarget& target, const std::string& outputPath,
                           const Entry& replaced, bool failed);

  FileSystem& fileSystem_;
  Console& console_;
  // The files this run has written, by identity, and the path that this
  // run's messages for each go to.
  std::map<FileIdentity, std::string> writtenFiles_;
};

}  // namespace quernel
