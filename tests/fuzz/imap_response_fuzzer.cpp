// Fuzz target: the server's side of an IMAP session. The input is fed to
// the response reader in pieces (the first byte sets the piece size), every
// whole response is parsed and read as capabilities, a folder list entry,
// a FETCH (with its date and Message-ID, as a folder's contents are read),
// a STATUS, and PERMANENTFLAGS and APPENDUID codes, and each folder name is
// decoded from modified UTF-7.
//
// Whatever the bytes: only ImapProtocolError is raised, a decoded name
// encodes back to the same text, and no response outgrows the bounds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "imap/imap_error.h"
#include "imap/modified_utf7.h"
#include "imap/response.h"
#include "imap/response_data.h"
#include "imap/response_reader.h"
#include "imap/server_inventory.h"

namespace {

void ReadAs(const quernel::ImapResponse& response) {
  (void)quernel::CapabilitiesIn(response);
  if (response.name == "LIST") {
    const quernel::ListEntry entry = quernel::ReadListEntry(response);
    if (const auto decoded = quernel::DecodeModifiedUtf7(entry.name)) {
      if (quernel::EncodeModifiedUtf7(*decoded) != entry.name) __builtin_trap();
    }
  }
  if (response.name == "FETCH") {
    const quernel::FetchedMessage message = quernel::ReadFetch(response);
    (void)quernel::ParseInternalDate(message.internalDate);
    (void)quernel::MessageIdOf(message.headerFields);
  }
  if (response.name == "STATUS") (void)quernel::ReadFolderStatus(response);
  (void)quernel::PermanentFlagsIn(response);
  if (const auto appended = quernel::AppendUidIn(response); appended && appended->uid == 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t piece = data[0] % 64 + 1;
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  quernel::ResponseReader reader;
  try {
    while (!rest.empty()) {
      reader.feed(rest.substr(0, piece));
      rest.remove_prefix(std::min(piece, rest.size()));
      while (auto raw = reader.next()) {
        if (raw->lines.back().size() > quernel::kMaxLineBytes) __builtin_trap();
        try {
          ReadAs(quernel::ParseResponse(*raw));
        } catch (const quernel::ImapProtocolError&) {
        }
      }
    }
  } catch (const quernel::ImapProtocolError&) {
  }
  return 0;
}
