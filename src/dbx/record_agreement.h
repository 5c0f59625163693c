#pragma once
// Whether a message record belongs to the text it names. Outlook Express
// reuses the blocks of a message it rewrote, and older copies of records
// stay behind: a stale record can name blocks that now hold another
// message. The record's own fields tell, compared with the text's header.

#include <optional>

#include "dbx/header_fields.h"
#include "dbx/message_properties.h"

namespace quernel::dbx {

// How many of the fields that both hold (Subject, the From address, the
// Date as the record's send time) agree; nothing when one disagrees: the
// record describes another message. Fields compared only where the
// comparison is sure: ASCII text without encoded words, both present. A
// subject agrees when it ends the other ("Re: " and the like are dropped
// by some writers); dates agree within a day.
std::optional<int> RecordAgreement(const MessageProperties& record, const HeaderFields& header);

}  // namespace quernel::dbx
