#pragma once
// ExpandNamingTemplate: the one way output file names are made. Fields between
// two "$" stand for properties of the mailbox or of one message; the result
// is cleaned so that it never holds a path separator or a control character.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbx/mailbox_reader.h"

namespace quernel {

// messageIndex < 0 expands at the mailbox level, where only DBXNAME and
// DBXDATE are recognised. Pure: prints nothing and cannot fail.
std::string ExpandNamingTemplate(std::string_view namingTemplate, const MailboxReader& reader,
                                 int32_t messageIndex);

}  // namespace quernel
