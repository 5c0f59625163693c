#pragma once
// The salvage scan: one pass over a whole mailbox file that finds every live
// text block, free chunk and message record by its own-offset field, without
// help from the index tree and without assuming where objects lie.

#include "dbx/found_objects.h"
#include "platform/file_system.h"

namespace quernel::dbx {

// Scans `file`, in which every object's own-offset field equals its position
// (a ShiftedInputFile for a shifted file). Reads the file once, in large
// pieces, and keeps 8 bytes per block found; time is linear in the length.
//
// A live block: own offset, 0x200, a text length of 1 to 0x200, next. A free
// chunk: own offset, 0x1FC, 0x210, next, previous. Bytes inside a block or
// chunk found are not searched again, so block headers quoted in a message's
// text are not taken for blocks. A record: own offset, a body length, a
// property count of at least 1 whose entries fit the body, and a text start;
// records without one are of no use and are not kept.
//
// The scan starts at `from`: a shifted file's lost start holds nothing.
FoundObjects ScanObjects(InputFile& file, uint64_t from = 0);

}  // namespace quernel::dbx
