#pragma once
// The upload of one mailbox's messages into one folder on the server:
// the folder made where missing, its contents read, and only what it does
// not hold yet appended.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "imap/imap_session.h"
#include "platform/code_page.h"
#include "platform/text_rules.h"
#include "cli/progress_line.h"
#include "writers/eml_options.h"
#include "writers/message_source.h"

namespace quernel {

// The run cannot go on (over quota, say): the line says why.
class UploadStop : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A folder the server would not make, under its name nor its fallback: the
// mailbox (or set) is not uploaded, and the run goes on.
class FolderRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct FolderTally {
  int32_t messages = 0;
  int32_t uploaded = 0;
  int32_t already = 0;
  int32_t tooLarge = 0;
  int32_t refused = 0;  // refused for another reason
  int32_t leftOut = 0;  // left out by the source (with -recover: set aside as damaged)

  bool complete() const { return uploaded + already + leftOut == messages; }
};

struct FolderUploadContext {
  ImapSession& session;
  std::optional<char> delimiter;
  bool utf8 = false;
  const EmlOptions& emlOptions;
  const CodePageConverter& converter;
  ProgressLine& console;    // every line, and the progress on a terminal
  const TextRules& text;    // the host's: how a line shows a folder's name
  std::string displayName;  // the mailbox, as every line names it
  // Folders (levels joined by "/") the server refused, with the level used
  // instead: kept for the whole run, so that each is tried and told once.
  std::map<std::string, std::string>& renamedFolders;
};

// Uploads `source` into the folder `levels` (PARENT's levels first). `sent`
// (one entry per message) remembers across reconnects what this run has
// uploaded, so that a message found on the server counts as uploaded, not
// as already there. Raises UploadStop, FolderRefused, ImapRefusal,
// ConnectionError.
FolderTally UploadFolder(FolderUploadContext& context, std::vector<std::string> levels, MessageSource& source,
                         std::vector<bool>& sent);

}  // namespace quernel
