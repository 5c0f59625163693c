#pragma once
// The line for a failure of the mailbox being read, as opposed to one of an
// output file, which the writers report with their own lines.

#include <string>

#include "platform/console.h"
#include "platform/file_error.h"
#include "platform/text_rules.h"

namespace quernel {

// A damaged mailbox (or one that needs more memory than there is) gets the
// "seems to be defective" line; a read error of the system gets its own
// line with the system's reason, so that a failing disk is not taken for a
// damaged mailbox, nor for a full disk. `suffix` goes at the end of the
// line, before its line end (the mbox writer names the file it kept there).
// The system's reason is shown in the display form of `text`, the host's
// text rules.
void ReportMailboxFailure(Console& console, const FileError& error, const std::string& displayName,
                          const TextRules& text, const std::string& suffix = {});

}  // namespace quernel
