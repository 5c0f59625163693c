#pragma once
// Gives found chains the properties of the records that name them.

#include <cstdint>
#include <functional>
#include <vector>

#include "dbx/chain_assembly.h"
#include "dbx/file_window.h"
#include "dbx/found_objects.h"
#include "dbx/header_fields.h"
#include "dbx/mailbox_reader.h"

namespace quernel::dbx {

// Calls onMatch(chain, record offset, properties) for each chain (an index
// into `chains`, ascending) that a record among `records` names: whose text
// start is the chain's first block. Strings are as the mailbox stores them.
// A record whose fields contradict the chain's header lines (headerOf, asked
// once for each chain that records name) is not used: it is a stale copy of
// another message's record (RecordAgreement). Of the others (a record and the
// older copies Outlook Express left behind), the one that agrees on the most
// fields wins, then the one that reads with the most properties, then the
// one furthest into the file. A record whose properties cannot be read (data
// beyond the end of the file) is passed over. Only the last few records in
// the file are tried per chain, so crafted files with many records naming
// one chain cost no more.
using RecordMatch = std::function<void(size_t chain, uint32_t record, MailboxReader::Properties&&)>;
using ChainHeader = std::function<HeaderFields(size_t chain)>;
void MatchRecords(const std::vector<FoundChain>& chains, const std::vector<FoundRecord>& records,
                  FileWindow& window, const Calendar& calendar, const ChainHeader& headerOf,
                  const RecordMatch& onMatch);

}  // namespace quernel::dbx
