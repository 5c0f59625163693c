#pragma once
// The commands of an upload, one function each: folder names, LIST, CREATE,
// SELECT, the reconciling FETCH and APPEND.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "imap/imap_session.h"
#include "imap/server_inventory.h"

namespace quernel {

// The levels as one name on the server: a `delimiter` inside a level
// becomes "_", and the whole is modified UTF-7 unless `utf8` (after ENABLE
// UTF8=ACCEPT).
std::string ServerFolderName(const std::vector<std::string>& levels, std::optional<char> delimiter, bool utf8);

// `level` with every ASCII punctuation character but "-", "_", "(", ")"
// and space replaced by "_": the one fallback for a name the server refuses.
std::string PlainFolderLevel(std::string_view level);

// The server's hierarchy delimiter (LIST "" ""); nothing for a flat server.
std::optional<char> HierarchyDelimiter(ImapSession& session);

bool FolderExists(ImapSession& session, const std::string& name, bool utf8);
CommandResult CreateFolder(ImapSession& session, const std::string& name, bool utf8);

// The folder's own APPENDLIMIT (STATUS, for a server whose capability is a
// bare APPENDLIMIT); nothing when it has none or does not say.
std::optional<uint64_t> FolderAppendLimit(ImapSession& session, const std::string& name, bool utf8);

struct SelectedFolder {
  uint32_t messages = 0;
  std::set<std::string> permanentFlags;  // upper case; empty when not said
};
// A folder the server will not open: its own text kept apart, for a line
// that names the folder as the user knows it.
class FolderOpenRefused : public ImapRefusal {
 public:
  explicit FolderOpenRefused(const std::string& serverText)
      : ImapRefusal("the server refused to open the folder: " + serverText), serverText_(serverText) {}
  const std::string& serverText() const { return serverText_; }

 private:
  std::string serverText_;
};
// Raises FolderOpenRefused when the folder cannot be selected (ServerAskedToWait
// when the server asks to try again later).
SelectedFolder SelectFolder(ImapSession& session, const std::string& name, bool utf8);

// The selected folder's message count now (NOOP), from `known` on by the
// EXISTS and EXPUNGE responses it brings.
uint32_t CurrentMessageCount(ImapSession& session, uint32_t known);
// `count` after the EXISTS and EXPUNGE responses among `responses`.
uint32_t CountAfter(const std::vector<ImapResponse>& responses, uint32_t count);

// What the selected folder holds (one UID FETCH over all of it).
ServerInventory FetchInventory(ImapSession& session);

// One message to APPEND: its bytes as sent, flags and date (none: the
// server's time).
struct OutgoingMessage {
  std::string wire;
  std::vector<std::string> flags;
  std::optional<int64_t> instant;
};

ImapCommand AppendCommand(ImapSession& session, const std::string& folder, bool utf8,
                          const OutgoingMessage& message);

}  // namespace quernel
