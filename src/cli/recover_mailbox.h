#pragma once
// One mailbox converted in "-recover" mode: its indexed messages as usual,
// a defective one set aside instead of ending the mailbox, then what a scan
// of the whole file finds, each set into outputs of its own, and a line
// that counts them all. The plain run and the tree differ only in where
// the outputs go.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/opened_mailbox.h"
#include "cli/run_writers.h"
#include "dbx/salvage.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "writers/found_sets.h"

namespace quernel {

// Where one mailbox's messages go; an empty place leaves its format out.
struct RecoverPlaces {
  std::string mboxFile;      // the indexed messages' mbox file
  std::string emlDirectory;  // their eml directory, ending in the separator
  std::string maildir;       // their Maildir
  // A set's mbox file, from `mboxFile`, the set's name and the host.
  using SetPath = std::string (*)(const std::string& output, std::string_view setName, const Host& host);
  SetPath mboxSetFile = MboxSetPath;
  // A set's Maildir, from `maildir`, the set's name and the host.
  SetPath maildirSetFolder = [](const std::string& maildir, std::string_view setName, const Host& host) {
    return MaildirSubfolderPath(maildir, setName, host.paths);
  };
  // Whether a set's Maildir gets the Maildir++ folder marker.
  bool markMaildirSets = false;
  // An output that is not a file ("-imap"): given the indexed messages (an
  // empty set name) and then each set found.
  std::function<void(MessageSource& source, std::string_view setName)> otherOutput;
};

// What became of a mailbox's indexed messages.
struct IndexedOutcome {
  bool written = false;  // a writer ran for them
  // How many were converted: none without messages; not known when the
  // index or a writer failed, which their own lines report.
  std::optional<int64_t> converted = 0;
};

// Scans the whole file of `mailbox` (opened for salvaging and not Refused),
// leaving out the chains its index reaches. Nothing when reading the file
// failed, which one line reports.
std::unique_ptr<Salvage> ScanMailbox(const OpenedMailbox& mailbox, const Host& host, Console& console);

// Writes what `salvage` (ScanMailbox's for `mailbox`) and the index give;
// `converter` reads the mailbox's strings, the found messages' too. Eml
// directories are made (one level) as messages need them. A mailbox whose
// index lists a damaged message is not counted as converted, and its mbox
// file does not replace an earlier run's.
IndexedOutcome RecoverMailbox(const OpenedMailbox& mailbox, Salvage& salvage, const RecoverPlaces& places,
                              const CodePageConverter& converter, RunWriters& writers,
                              FileSystem& fileSystem, Console& console);

}  // namespace quernel
