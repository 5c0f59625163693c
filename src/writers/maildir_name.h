#pragma once
// The file names of messages in a Maildir. They are made from the message
// alone, so that a rerun gives the same names and finds what an earlier run
// wrote.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbx/message_flags.h"
#include "dbx/message_time.h"
#include "platform/path_rules.h"

namespace quernel {

// "<receive time>.Q<number>.quernel", the part of the name that stays when a
// mail program changes the flags. A `duplicate` k above 0, for a second
// message that would get a name already given in the same Maildir, makes it
// "<receive time>.Q<number>-<k>.quernel".
std::string MaildirUniqueName(MessageTime receiveTime, int32_t number, uint32_t duplicate = 0);

// The unique name, the info separator of `paths` (the host's) and "2,"
// followed by the flag letters in ASCII order: F flagged, P forwarded,
// R answered, S read.
std::string MaildirFileName(std::string_view uniqueName, MessageFlags flags, const PathRules& paths);

// The unique name within a file name found in a Maildir: the part before the
// last info separator of `paths`, or the whole name when it has none.
std::string_view MaildirUniquePart(std::string_view fileName, const PathRules& paths);

}  // namespace quernel
