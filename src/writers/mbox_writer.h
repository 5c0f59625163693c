#pragma once
// MboxWriter: writes all messages of one mailbox into one mbox file, in the
// mboxo or mboxrd variant.

#include <cstdint>
#include <map>
#include <string>

#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "writers/mbox_options.h"
#include "writers/message_source.h"

namespace quernel {

class OutputTarget;

// The mbox file of a mailbox: the name template expanded with the mailbox's
// fields, made by `converter` (NamingFieldsFor), in the output directory or
// else next to the mailbox, by `host`'s rules.
std::string MboxOutputPath(const MboxOptions& options, const std::string& inputPath,
                           const NamingFields& mailbox, const CodePageConverter& converter, const Host& host);

// One writer lives for the whole run: it remembers which mbox files this run
// has written, so that two mailboxes naming the same file are appended
// rather than overwritten. A file from before the run is replaced only by a
// complete mailbox. Paths, names and dates follow `host`'s rules; the file
// system, the console and the host outlive the writer.
class MboxWriter {
 public:
  MboxWriter(FileSystem& fileSystem, Console& console, const Host& host);

  // Returns false only when the output file could not be created; increments
  // `counter` only when every message was written (or left out by the
  // source) and the file closed cleanly. A file from before the run is not
  // replaced when the source left a message out; a line names the file
  // that holds this run's messages instead.
  // `converter` turns the mailbox's strings into names and separator lines.
  bool convertMailbox(const MboxOptions& options, const std::string& inputPath,
                      const std::string& displayName, const MailboxReader& reader,
                      const CodePageConverter& converter, int32_t& counter);

  // The same, into the mbox file `outputPath` instead of the one the name
  // template and the output directory give.
  bool convertMailboxTo(const MboxOptions& options, const std::string& outputPath,
                        const std::string& displayName, const MailboxReader& reader,
                        const CodePageConverter& converter, int32_t& counter);
  // The same for any source of messages; the mbox file is `outputPath`, or
  // the one the name template and the output directory give when empty.
  bool convertMailbox(const MboxOptions& options, const std::string& inputPath,
                      const std::string& outputPath, const std::string& displayName,
                      MessageSource& source, const CodePageConverter& converter, int32_t& counter);

 private:
  void rememberReplacement(const OutputTarget& target, const std::string& outputPath,
                           const Entry& replaced, bool failed);

  FileSystem& fileSystem_;
  Console& console_;
  const Host& host_;
  // The files this run has written, by identity, and the path that this
  // run's messages for each go to.
  std::map<FileIdentity, std::string> writtenFiles_;
};

}  // namespace quernel
