#pragma once
// The state header lines of "-flags": a message's read, replied, flagged and
// forwarded state in the header fields that mail programs read it from
// (Status and X-Status for mutt and Dovecot, X-Mozilla-Status and
// X-Mozilla-Status2 for Thunderbird).

#include <cstddef>
#include <string>

#include "dbx/message_flags.h"

namespace quernel {

// Puts the state lines into the message that `text` holds from `start` on,
// at the end of its header block: before the empty line that ends the block,
// or, in a text without one, at its end (after a line end of its own when
// the text's last line lacks one) followed by an empty line. Lines of these
// names already in the block are removed with their continuation lines, so
// that each name stands there once. The lines end like the message's first
// line: LF or CR LF, and CR LF in a text without any line end.
void AddStatusHeaders(std::string& text, size_t start, MessageFlags flags);

}  // namespace quernel
