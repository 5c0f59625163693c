#pragma once
// ExpandNamingTemplate: the one way output file names are made. Fields between
// two "$" stand for properties of the mailbox or of one message; the result
// is cleaned so that it never holds a path separator or a control character.

#include <string>
#include <string_view>

#include "naming/naming_fields.h"
#include "platform/calendar.h"
#include "platform/text_rules.h"

namespace quernel {

// Without a message (fields.hasMessage false) only DBXNAME and DBXDATE are
// recognised. Pure: prints nothing and cannot fail. `text` and `calendar`
// are the host's rules: the mailbox file name's extension and the control
// sequences the cleaning removes, and the local time dates are shown in.
std::string ExpandNamingTemplate(std::string_view namingTemplate, const NamingFields& fields,
                                 const TextRules& text, const Calendar& calendar);

}  // namespace quernel
