#pragma once
// What a folder on the server holds, as a multiset of message identities,
// and the identity of a message about to be uploaded. A message is known by
// its Message-ID, one without by its INTERNALDATE instant and size, so that
// a rerun uploads only what is missing, and two identical messages count as
// two copies.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "imap/response.h"

namespace quernel {

// The Message-ID field's value in a message's header (unfolded, trimmed),
// or empty when it has none.
std::string MessageIdOf(std::string_view header);

// The instant of an INTERNALDATE ("17-Jul-1996 02:44:25 -0700").
std::optional<int64_t> ParseInternalDate(std::string_view date);

// "id:<value>" or "at:<instant>:<size>"; empty when neither can identify
// the message (no Message-ID and no date).
std::string MessageIdentity(std::string_view messageId, std::optional<int64_t> instant, uint64_t size);

class ServerInventory {
 public:
  // From the untagged FETCH responses of
  // UID FETCH 1:* (INTERNALDATE RFC822.SIZE BODY.PEEK[HEADER.FIELDS (MESSAGE-ID)]).
  static ServerInventory FromFetch(const std::vector<ImapResponse>& responses);

  // A copy the folder holds (UID 0: not known).
  void add(const std::string& identity, uint32_t uid = 0);
  // True (and one copy fewer) when the server holds the message.
  bool take(const std::string& identity);
  size_t size() const { return total_; }

  // What the folder is known to have held, taken or not: a copy sent to it
  // (`uid` once its APPENDUID names it) or listed at the start. A server
  // that keeps one copy of a Message-ID shows itself on such an identity.
  void noteSent(const std::string& identity, uint32_t uid = 0);
  bool known(const std::string& identity) const { return uids_.count(identity) != 0; }
  bool holdsUid(const std::string& identity, uint32_t uid) const;

 private:
  std::unordered_map<std::string, uint32_t> copies_;
  std::unordered_map<std::string, std::vector<uint32_t>> uids_;
  size_t total_ = 0;
};

// The message as sent: every bare LF or CR becomes CRLF; nothing else.
std::string WithCrlfLineEnds(std::string_view text);

}  // namespace quernel
