#pragma once
// EmlWriter: writes each message of one mailbox to its own .eml file, with
// numbered names for names already taken and the message date as file time.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "writers/eml_options.h"
#include "writers/message_source.h"

namespace quernel {

// One writer lives for the whole run: it remembers the names it has written
// and the highest number it found taken per name, so that duplicate names
// cost one probe each instead of a search from (1) every time.
//
// Paths, names and dates follow `host`'s rules; the file system, the console
// and the host outlive the writer.
class EmlWriter {
 public:
  EmlWriter(FileSystem& fileSystem, Console& console, const Host& host);

  // Increments `counter` when every message was written. `converter` turns
  // the mailbox's strings into file names.
  void convertMailbox(const EmlOptions& options, const std::string& inputPath,
                      const std::string& inputFileName, const std::string& displayName,
                      const MailboxReader& reader, const CodePageConverter& converter,
                      int32_t& counter);

  // The same, into `directory` (which ends in the path separator and exists
  // already) instead of the one the options and the mailbox's name give.
  void convertMailboxInto(const EmlOptions& options, const std::string& directory,
                          const std::string& displayName, const MailboxReader& reader,
                          const CodePageConverter& converter, int32_t& counter);
  void convertMailboxInto(const EmlOptions& options, const std::string& directory,
                          const std::string& displayName, MessageSource& source,
                          const CodePageConverter& converter, int32_t& counter);

 private:
  // A path chosen for one message: `number` is 0 for the expanded name
  // `name` itself (`basePath` in `directory`), k for its variant "(k)".
  // `vacant`: the message goes to a temporary file that publish renames to
  // `path` once complete; otherwise (-overwrite) it replaces `existing`.
  struct Choice {
    std::string directory;
    std::string name;
    std::string basePath;
    std::string path;
    uint64_t number = 0;
    bool vacant = false;
    std::optional<Entry> existing;  // with -overwrite: what stands at `path`
  };

  // The first number to try after those this run found taken; with
  // -overwrite the first whose file is not one of this run's.
  Choice chooseOutputPath(const std::string& directory, const std::string& name, bool overwrite);
  std::string numberedPath(const Choice& choice) const;
  // Remembers `choice`'s number as taken and moves on to the next.
  void nextNumber(Choice& choice);
  // Renames the complete `temporary` file to `choice`'s path, or to the next
  // free number where a file stands there. False when something else is in
  // the way (a directory, a file another program holds): the caller reports
  // it and removes the temporary file.
  bool publish(const std::string& temporary, Choice& choice, bool overwrite);
  // Removes the temporary files an interrupted run left in `directory`, the
  // first time this run writes there; those another process holds stay.
  void removeLeftTemporaries(const std::string& directory);
  // A new temporary file in `directory`, whose path goes to `path`.
  std::unique_ptr<OutputFile> createTemporary(const std::string& directory, std::string& path);
  enum class Outcome { Written, LeftOut, Failed };
  // Writes message i to the chosen path, a vacant one through a temporary
  // file, so that no message's name ever holds part of a message. Failed: it
  // has reported why; LeftOut: the source left the message out. Only Written
  // leaves a file behind.
  Outcome writeMessage(const EmlOptions& options, Choice& choice, const std::string& displayName,
                       MessageSource& source, int32_t i);

  FileSystem& fileSystem_;
  Console& console_;
  const Host& host_;
  // With -overwrite, every file this run has written, by identity. These,
  // and only these, count as taken: earlier runs' files are replaced, this
  // run's are kept.
  std::set<FileIdentity> writtenFiles_;
  // Per expanded output path (eml directory + expanded name): the highest
  // number found taken so far this run (0: the name itself). The next search
  // starts after it, so a name shared by n messages costs n probes, not n²/2.
  std::unordered_map<std::string, uint64_t> highestTaken_;
  // The directories whose left temporaries this run has removed.
  std::unordered_set<std::string> sweptDirectories_;
  // The message being written; its memory serves every message in turn.
  std::string text_;
};

}  // namespace quernel
