#pragma once
// Salvage: everything a mailbox file still holds that its index does not
// give: chains of live text blocks the index lost (recovered messages),
// chains of free chunks (deleted messages), and whatever is incomplete
// (damaged messages): the readable part of indexed messages whose chains are
// defective, found messages whose text runs past what the file holds, and
// fragments: pieces of a text that no index entry or record reaches and that
// begin without header lines. A fragment that begins right after a damaged
// message's last readable block is joined to it. Works on files whose
// signature is missing and on files that lost or gained bytes at their
// start.
//
// Memory: 8 bytes per text block or free chunk while it scans, then about
// 40 bytes per found message besides its naming fields' bytes, and an 8 MiB
// read buffer; texts are read on demand.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dbx/chain_assembly.h"
#include "dbx/field_store.h"
#include "dbx/file_window.h"
#include "dbx/mailbox_reader.h"
#include "dbx/message_time.h"
#include "dbx/shifted_file.h"
#include "platform/file_system.h"

namespace quernel {

enum class FoundKind {
  Recovered,  // a whole text of live blocks that the index does not reach
  Deleted,    // free chunks: the text of a deleted message, 4 bytes per chunk lost
  Damaged,    // an incomplete text: its readable part
};

struct FoundMessage {
  FoundKind kind;
  // Offset of its first text block or chunk (the file's own offset): where
  // the message comes from when it has no record.
  uint32_t textStart;
  // The blocks or chunks of its chain that make up its text; for an indexed
  // damaged message, the blocks before the defect.
  uint32_t blockCount;
  // An indexed message's readable part, read as the reader follows its
  // chain; otherwise a chain the scan found.
  bool indexed = false;
  // The fragment that goes on where a damaged message's readable part ends
  // (tailBlocks 0: none).
  uint32_t tailStart = 0;
  uint32_t tailBlocks = 0;
  // The record its naming fields come from; nothing: they come from its own
  // header lines (From, To, Subject; Date as send time, the topmost Received
  // line's date as receive time, each falling back to the other).
  std::optional<uint32_t> recordOffset;
  uint64_t fieldsKey = 0;  // where Salvage::fields finds them
};

class Salvage {
 public:
  // Scans the whole of `file`. `indexedTextStarts`: the text start of every
  // message the index gives (MailboxReader::textStart), empty when there is
  // no usable index; their chains are not found again. The file must stay
  // open as long as the Salvage is used. File errors of the platform pass out
  // as FileError; defects of the mailbox never do.
  // `calendar` makes the found messages' dates; it outlives the salvage.
  Salvage(InputFile& file, std::span<const uint32_t> indexedTextStarts, const Calendar& calendar);

  // A block's own-offset field minus its position in the file: positive for
  // a file that lost bytes at its start, negative for one that gained some.
  int64_t offsetShift() const { return shift_; }

  // The messages the scan found, in file order (live chains before freed
  // ones), then the fragments, then the indexed damaged messages in the
  // order they were added; a damaged message that takes a fragment takes
  // the fragment's place in the list.
  const std::vector<FoundMessage>& messages() const { return messages_; }
  size_t count(FoundKind kind) const;

  // The naming fields of a found message, strings as the mailbox stores
  // them (not converted), each cut to 1 MiB. Kept packed in memory.
  MailboxReader::Properties fields(const FoundMessage& message) const;

  // Adds an indexed message whose text the reader refused as damaged; the
  // caller gives its text start, record and fields. A text start added
  // before adds nothing (the index may list a record twice).
  void addDamaged(uint32_t textStart, uint32_t recordOffset, MailboxReader::Properties fields);

  // The text of a found message. Recovered: up to its first zero byte, as
  // for indexed messages. Deleted: each chunk's lost 4 bytes replaced by a
  // filler, trailing zero bytes stripped. Damaged: the text of every block
  // that could be read, and its fragment's. Reads the file each time; texts
  // are not kept. With `limit`, about that many bytes of its start.
  std::string text(const FoundMessage& message);
  void appendText(const FoundMessage& message, std::string& text, size_t limit = SIZE_MAX);

 private:
  void findMessages(std::span<const uint32_t> indexedTextStarts);
  void place(std::vector<FoundMessage>& found, const std::vector<dbx::FoundChain>& chains,
             const std::vector<FoundMessage>& fragments);
  // The start of a chain's text, enough for its header lines.
  std::string headText(const dbx::FoundChain& chain);
  uint64_t fieldsFromHeaderLines(std::string_view headText);
  // Where in messages_ the fragment that begins right after `lastBlock` is,
  // which a damaged message ending there takes; nothing when none is.
  std::optional<size_t> takeFragment(uint32_t lastBlock);

  const Calendar& calendar_;
  int64_t shift_;
  dbx::ShiftedInputFile view_;
  dbx::FileWindow window_;
  std::vector<FoundMessage> messages_;
  dbx::FieldStore fields_;
  uint64_t damagedBudget_;  // text cost still allowed to damaged messages
  std::unordered_set<uint32_t> damagedStarts_;
  // Where in messages_ each fragment not taken yet is, by its first block.
  std::unordered_map<uint32_t, size_t> fragments_;
};

}  // namespace quernel
