#pragma once
// The bytes of one message as "-eml" writes them, for every output that
// sends a message whole (the .eml file, the IMAP upload).

#include <cstdint>
#include <string>

#include "writers/eml_options.h"
#include "writers/message_source.h"

namespace quernel {

// Appends message i's text to `text`, with the state header lines where the
// options ask for them. False: the source left the message out, `text` as
// it was. Raises what the source raises.
bool AppendEmlMessage(const EmlOptions& options, MessageSource& source, int32_t i, std::string& text);

}  // namespace quernel
