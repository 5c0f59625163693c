#pragma once
// The mailboxes of the README's examples (samples/): the three-message
// Inbox.dbx of the tour, a damaged copy of it for -recover, the backup folder
// of the batch example and the Russian Posta.dbx of the code-page example.

#include <string>
#include <utility>
#include <vector>

#include "support/dbx_builder.h"

namespace quernel::testing {

// The tour's Inbox: a read and answered reply, a read and flagged message
// with a body line that mbox quotes, and an unread one.
DbxBuilder TourInbox();

// The same three messages, the second one's text block pointing to itself,
// beside an older message the index no longer lists and two deleted ones.
BuiltMailbox DamagedTourInbox();

// Every file of samples/ but the store, by its path below samples/.
std::vector<std::pair<std::string, std::string>> TourSampleFiles();

}  // namespace quernel::testing
