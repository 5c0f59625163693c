#pragma once
// Deleted messages that are still live elsewhere: Outlook Express frees a
// message's old blocks when it writes the message anew (moving or repairing
// it), so the same text can be found both as free chunks and as live blocks.

#include <cstdint>
#include <span>
#include <vector>

#include "dbx/chain_assembly.h"
#include "dbx/file_window.h"

namespace quernel::dbx {

// Removes from `chains` every freed chain whose text a live chain holds as
// well (one of `chains` or one the index reaches from `indexedStarts`): the
// same bytes in every chunk except the 4 that freeing overwrote. The message
// is kept once, live. Costs one small read per live chain when there are
// freed chains at all, and whole texts only where the first blocks agree.
void DropFreedCopiesOfLive(std::vector<FoundChain>& chains, std::span<const uint32_t> indexedStarts,
                           FileWindow& window);

}  // namespace quernel::dbx
