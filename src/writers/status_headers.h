#pragma once
// The state header lines of "-flags": a message's read, replied, flagged and
// forwarded state in the header fields that mail programs read it from
// (Status and X-Status for mutt and Dovecot, X-Mozilla-Status and
// X-Mozilla-Status2 for Thunderbird).
//
// The lines go at the end of the message's header block: before the empty
// line that ends the block, or, in a text without one, at its end (after a
// line end of its own when the text's last line lacks one) followed by an
// empty line. Lines of these names already in the block are removed with
// their continuation lines, so that each name stands there once. The lines
// end like the message's first line: LF or CR LF, and CR LF in a text
// without any line end.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbx/message_flags.h"

namespace quernel {

// The change to one message text, as positions in it, so that a writer can
// put it together without moving the text's bytes.
struct StatusHeaderEdit {
  // Ranges [from, to) of whole lines to leave out, in order; all of them end
  // at or before insertAt.
  std::vector<std::pair<size_t, size_t>> removed;
  size_t insertAt = 0;
  // What goes in at insertAt.
  std::string lines;
};

// Fills `edit` (its memory is reused) with the change that `text` needs.
void PlanStatusHeaders(std::string_view text, MessageFlags flags, StatusHeaderEdit& edit);

// Makes that change to the message that `text` holds from `start` on.
void AddStatusHeaders(std::string& text, size_t start, MessageFlags flags);

}  // namespace quernel
