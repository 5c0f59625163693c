#pragma once
// MboxWriter: writes all messages of one mailbox into one mbox file, in the
// mboxo or mboxrd variant.

#include <cstdint>
#include <set>
#include <string>

#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "writers/mbox_options.h"

namespace quernel {

// One writer lives for the whole run: it remembers which mbox files this run
// has written, so that two mailboxes naming the same file are appended
// rather than overwritten.
class MboxWriter {
 public:
  MboxWriter(FileSystem& fileSystem, Console& console);

  // Returns false only when the output file could not be created; increments
  // `counter` only when every message was written and the file closed cleanly.
  // `converter` turns the mailbox's strings into names and separator lines.
  bool convertMailbox(const MboxOptions& options, const std::string& inputPath,
                      const std::string& displayName, const MailboxReader& reader,
                      const CodePageConverter& converter, int32_t& counter);

 private:
  FileSystem& fileSystem_;
  Console& console_;
  std::set<std::string> writtenPaths_;
};

}  // namespace quernel
