#pragma once
// Gives found chains the properties of the records that name them.

#include <cstdint>
#include <optional>
#include <vector>

#include "dbx/chain_assembly.h"
#include "dbx/file_window.h"
#include "dbx/found_objects.h"
#include "dbx/mailbox_reader.h"

namespace quernel::dbx {

struct MatchedRecord {
  uint32_t offset;
  MailboxReader::Properties properties;  // strings as the mailbox stores them
};

// Per chain, the record among `records` whose text start is the chain's
// first block, or nothing. Where several name it (a record and the older
// copies Outlook Express left behind), the one that reads with the most
// properties wins, and of those the one furthest into the file. A record
// whose properties cannot be read (data beyond the end of the file) is
// passed over. Only the last few records in the file are tried per chain,
// so crafted files with many records naming one chain cost no more.
std::vector<std::optional<MatchedRecord>> MatchRecords(const std::vector<FoundChain>& chains,
                                                       const std::vector<FoundRecord>& records,
                                                       FileWindow& window);

}  // namespace quernel::dbx
