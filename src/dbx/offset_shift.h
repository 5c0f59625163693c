#pragma once
// Finds how far a mailbox file's objects lie from where their own-offset
// fields say, for files that lost or gained bytes at their start.

#include <cstdint>

#include "platform/file_system.h"

namespace quernel::dbx {

// The difference between a text block's (or free chunk's) own-offset field
// and the position where it is found, as most blocks of the file agree on
// it; 0 when the file has no blocks. Reads from the start of the file until
// enough blocks agree (normally within its first megabyte), at most the
// whole file once.
int64_t DetectOffsetShift(InputFile& file);

}  // namespace quernel::dbx
