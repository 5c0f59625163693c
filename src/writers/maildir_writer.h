#pragma once
// MaildirWriter: writes the messages of a mailbox into a Maildir, each as a
// file of its own in cur/, named after its receive time and number with its
// state in the flags, and with the receive time as modification time, which
// Maildir readers take for the arrival date. Each file is written in tmp/
// and renamed into cur/ once complete (the Maildir delivery protocol), so a
// reader never sees half a message.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "writers/maildir_options.h"
#include "writers/message_source.h"

namespace quernel {

// Creates the Maildir `folder` with its cur/, new/ and tmp/ where missing;
// what fails to be created shows up when it is written to. Paths are joined
// by `paths`, the host's.
void CreateMaildir(FileSystem& fileSystem, const std::string& folder, const PathRules& paths);

// Marks `folder` as a Maildir++ subfolder with the empty file "maildirfolder"
// (Maildir++ convention, read by delivery agents); a marker there already is
// left alone. False when it cannot be created.
bool MarkMaildirFolder(FileSystem& fileSystem, const std::string& folder, const PathRules& paths);

// One writer lives for the whole run: it remembers the names it has given in
// each Maildir, so that two mailboxes writing into one Maildir never take
// each other's messages for their own. Paths and names follow `host`'s
// rules; the file system, the console and the host outlive the writer.
class MaildirWriter {
 public:
  MaildirWriter(FileSystem& fileSystem, Console& console, const Host& host);

  // Writes the mailbox's indexed messages into the Maildir named after the
  // mailbox file; increments `counter` when every message is there.
  void convertMailbox(const MaildirOptions& options, const std::string& inputPath,
                      const std::string& inputFileName, const std::string& displayName,
                      const MailboxReader& reader, int32_t& counter);

  // Writes every message of `source` into the Maildir `folder`, creating the
  // folder and its cur/, new/ and tmp/ where missing. A message that an
  // earlier run put there (found by its unique name, whatever its flags) is
  // left alone, or replaced with `overwrite`. True when every message is
  // there or left out by the source; false after a failure, which it has
  // reported (a damaged mailbox by `displayName`), with the remaining
  // messages not written.
  bool writeFolder(const std::string& folder, MessageSource& source, bool overwrite,
                   const std::string& displayName);

 private:
  // Unique name -> the files in cur/ and new/ that carry it, as "cur/name"
  // or "new/name".
  using PresentFiles = std::unordered_map<std::string, std::vector<std::string>>;

  // (receive time, number) -> how many messages this run has named by it.
  using Claims = std::unordered_map<uint64_t, uint32_t>;

  PresentFiles listPresent(const std::string& folder);
  std::string folderKey(const std::string& folder);
  static std::string claimUniqueName(Claims& claims, MessageTime receiveTime, int32_t number);
  enum class Outcome { Delivered, LeftOut, Failed };
  Outcome deliver(const std::string& folder, const std::string& name, MessageSource& source,
                  int32_t message, const std::string& displayName);

  FileSystem& fileSystem_;
  Console& console_;
  const Host& host_;
  // Per folder (by folderKey), the names this run has given there, written
  // or found.
  std::unordered_map<std::string, Claims> claimed_;
  // The message being written; its memory serves every message in turn.
  std::string text_;
};

}  // namespace quernel
