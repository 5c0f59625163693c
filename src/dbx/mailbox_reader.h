#pragma once
// MailboxReader: the one object through which the program sees a mailbox.
// Construction classifies the file and, for a mailbox of messages, walks the
// index tree and loads every message's header properties in one pass; message
// texts are read on demand, one at a time.
//
// The reader borrows the input file: it never closes it, and the caller keeps
// the file alive as long as the reader is used.

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/file_window.h"
#include "dbx/message_flags.h"
#include "dbx/message_properties.h"
#include "dbx/message_time.h"
#include "platform/calendar.h"
#include "platform/file_system.h"

namespace quernel {

enum class MailboxStatus : int {
  Valid = 0,         // an Outlook Express 5/6 mailbox of messages
  FolderList = 1,    // the folder-list file (Folders.dbx)
  OldVersion = 2,    // a mailbox of Outlook Express 4 or older
  Unrecognised = 3,  // anything else
};

class MailboxReader {
 public:
  // Reads and classifies the file; raises FileError for a damaged mailbox,
  // a failed read, or (as OutOfMemoryError) a mailbox that needs more
  // memory than the program can get. `calendar` makes the messages' dates
  // (MessageTimeFromFileTime) and outlives the reader.
  MailboxReader(InputFile& file, const Calendar& calendar);

  MailboxStatus status() const { return status_; }
  int32_t messageCount() const { return static_cast<int32_t>(recordOffsets_.size()); }

  // The mailbox file's path, as it was opened.
  const std::string& mailboxPath() const { return file_.path(); }
  // The file's last-write time; 0 when unknown, -1 when out of range.
  MessageTime mailboxFileTime() const;

  // Header properties of message i (0 <= i < messageCount(), unchecked).
  // Strings are the bytes the file holds, in the code page of the Windows
  // that wrote it; absent ones are empty.
  const std::string& subject(int32_t i) const { return props(i).subject; }
  const std::string& senderName(int32_t i) const { return props(i).senderName; }
  const std::string& senderAddress(int32_t i) const { return props(i).senderAddress; }
  const std::string& recipientName(int32_t i) const { return props(i).recipientName; }
  const std::string& recipientAddress(int32_t i) const { return props(i).recipientAddress; }
  MessageTime receiveTime(int32_t i) const { return props(i).receiveTime; }
  MessageTime sendTime(int32_t i) const { return props(i).sendTime; }
  // Read, replied, flagged and the like; no bits when the record has none.
  MessageFlags messageFlags(int32_t i) const { return MessageFlags(props(i).flags); }
  uint32_t recordOffset(int32_t i) const { return recordOffsets_[static_cast<size_t>(i)]; }
  // Where the text of message i starts: its first block's offset; 0: no text.
  uint32_t textStart(int32_t i) const { return textStarts_[propertyIndex_[static_cast<size_t>(i)]]; }

  // The raw text of message i, up to its first zero byte; empty when the
  // message has none. Raises FileError for a damaged text chain, a failed
  // read, or a text that needs more memory than the program can get.
  std::string messageText(int32_t i) const;
  // The same, appended to `text`: a caller that reads many messages through
  // one string reuses its memory instead of allocating anew for each. After
  // a failure `text` may end with part of the message.
  void appendMessageText(int32_t i, std::string& text) const;
  // The start of message i's text, at least `size` bytes of it where it is
  // that long (whole blocks, so usually a little more), appended to `text`:
  // enough for its header lines without reading a long body. The blocks
  // walked count against the same budget as whole texts, and the text is
  // charged again when it is read whole. Raises FileError as above.
  void appendMessageTextStart(int32_t i, size_t size, std::string& text) const;

  // The properties of one record. Records reached more than once by the
  // index tree are loaded once and shared by their messages.
  using Properties = MessageProperties;
  const Properties& properties(int32_t i) const { return props(i); }

 private:
  const Properties& props(int32_t i) const {
    return properties_[propertyIndex_[static_cast<size_t>(i)]];
  }

  void load();
  void loadMessages();
  // Keeps a record's contents; returns their slot.
  uint32_t store(Properties&& properties, uint32_t textStart);
  void readText(int32_t i, std::string& text) const;
  uint64_t textBudget() const;
  // Reads the chain from `start` (up to `stopAfter` text bytes) and charges
  // the blocks walked to the budget, also when it fails.
  void readCharged(uint32_t start, uint64_t stopAfter, std::string& text) const;
  [[noreturn]] static void throwOutOfProportion(uint32_t textStart);

  InputFile& file_;
  const Calendar& calendar_;
  // Reads go through one window, kept between calls so that the texts of
  // neighbouring messages come from the same large read.
  mutable dbx::FileWindow window_;
  MailboxStatus status_ = MailboxStatus::Unrecognised;
  std::vector<uint32_t> recordOffsets_;  // one per message, in tree order
  std::vector<uint32_t> propertyIndex_;  // one per message, into properties_
  // One per distinct record that holds something, after one slot shared by
  // all the records that hold nothing.
  std::vector<Properties> properties_;
  std::vector<uint32_t> textStarts_;  // one per slot of properties_; 0: no text
  // Work budget for message texts, so that crafted files cannot make the
  // writers produce output out of all proportion to the file.
  mutable std::vector<bool> textCharged_;
  mutable uint64_t textBudgetUsed_ = 0;
};

// What kind of file `file` is, from its signature alone; nothing else is read.
MailboxStatus ClassifyMailboxFile(InputFile& file);

// The last-write time of a mailbox file as its messages' naming fields give
// it; 0 when unknown, -1 when out of range.
MessageTime MailboxFileTime(const InputFile& file, const Calendar& calendar);

}  // namespace quernel
