#pragma once
// The texts of chains that a salvage scan found.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dbx/chain_assembly.h"
#include "dbx/file_window.h"

namespace quernel::dbx {

// What stands for the 4 text bytes that freeing overwrote in each chunk. Not
// zero bytes, which mail programs choke on. The first chunk's bytes began the
// message's first header line, so its filler is a header field name of its
// own: the rest of the line becomes that field's value and the header stays
// well-formed. Elsewhere four letters mark the gap and keep base64 text in
// step (a four-character group lost, a four-character group in its place).
inline constexpr std::string_view kFirstChunkFiller = "X-L:";
inline constexpr std::string_view kChunkFiller = "XXXX";

// Appends the text of `chain`, at most about `limit` bytes of it, to `text`.
// A live chain's text is its blocks' text bytes up to the first zero byte,
// as for indexed messages. A freed chain's text is, per chunk, the filler
// and the 508 bytes after the chunk's header, with the zero bytes at its end
// stripped (zero bytes inside stay: the text length is lost with freeing).
// Every block is checked again for its own offset; the walk stops at one
// that does not hold it, and at the end of the file.
// Appends up to `size` bytes at `offset` to `text`, stopping at the end of
// the file or, with `toZero`, before the first zero byte; false once a zero
// byte was met.
bool AppendTextBytes(FileWindow& window, uint64_t offset, uint64_t size, bool toZero, std::string& text);

void AppendChainText(FileWindow& window, const FoundChain& chain, std::string& text,
                     size_t limit = SIZE_MAX);

}  // namespace quernel::dbx
