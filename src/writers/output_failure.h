#pragma once
// The line for a failure while the file of one message is written (eml files,
// Maildir messages).

#include <string>

#include "platform/console.h"
#include "platform/file_error.h"
#include "platform/text_rules.h"

namespace quernel {

// A failure of the output gets the line that names the file at `path`; one
// of the mailbox (damaged, unreadable, out of memory) the line that names
// the mailbox by `displayName`. `text`, the host's text rules, gives the
// form the path is shown in.
void ReportMessageFileFailure(Console& console, const FileError& error, const std::string& path,
                              const std::string& displayName, const TextRules& text);

}  // namespace quernel
