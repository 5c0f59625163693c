#pragma once
// What quernel reads from the server's data responses: capabilities, the
// folder list, the messages a folder holds, and status response codes.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "imap/response.h"

namespace quernel {

// Upper-case capability names, as "IMAP4REV1", "AUTH=PLAIN", "LITERAL+".
using Capabilities = std::set<std::string>;

// From "* CAPABILITY ..." or a status with a [CAPABILITY ...] code; nothing
// when the response carries none.
std::optional<Capabilities> CapabilitiesIn(const ImapResponse& response);

struct ListEntry {
  std::set<std::string> attributes;  // upper case, as "\NOSELECT"
  std::optional<char> delimiter;     // none for a flat server
  std::string name;                  // as the server sent it (modified UTF-7 or UTF-8)
};

// From "* LIST (...) "/" name"; ImapProtocolError when malformed.
ListEntry ReadListEntry(const ImapResponse& response);

// One message of "UID FETCH 1:* (INTERNALDATE RFC822.SIZE BODY.PEEK[...])".
struct FetchedMessage {
  uint32_t uid = 0;
  std::string internalDate;   // as sent: "17-Jul-1996 02:44:25 -0700"
  std::optional<uint64_t> size;
  std::string headerFields;   // the requested header lines
};

// From "* N FETCH (...)"; ImapProtocolError when malformed.
FetchedMessage ReadFetch(const ImapResponse& response);

// The flags in a [PERMANENTFLAGS (...)] code (upper case), when it is one.
std::optional<std::set<std::string>> PermanentFlagsIn(const ImapResponse& response);

// The number in capability "APPENDLIMIT=N" (one limit for every folder).
std::optional<uint64_t> AppendLimitIn(const Capabilities& capabilities);

// From a tagged OK with [APPENDUID validity uid] (UIDPLUS): the UID the
// appended message has in the folder.
struct AppendUid {
  uint32_t validity = 0;
  uint32_t uid = 0;
};
std::optional<AppendUid> AppendUidIn(const ImapResponse& response);

// From "* STATUS name (ITEM n ...)": each item (upper case) with its number,
// nothing for NIL. ImapProtocolError when malformed.
struct FolderStatus {
  std::string name;
  std::map<std::string, std::optional<uint64_t>> items;
};
FolderStatus ReadFolderStatus(const ImapResponse& response);

}  // namespace quernel
