#pragma once
// MessageSource: the messages a writer takes, by number from 0. The indexed
// messages of a mailbox are one source; other sets of messages (those found
// beyond a mailbox's index, say) can be written the same way.

#include <cstdint>
#include <string>

#include "dbx/mailbox_reader.h"
#include "dbx/message_flags.h"
#include "dbx/message_time.h"

namespace quernel {

class MessageSource {
 public:
  virtual ~MessageSource() = default;

  virtual int32_t messageCount() const = 0;
  virtual MessageTime receiveTime(int32_t message) const = 0;
  virtual MessageFlags flags(int32_t message) const = 0;
  // Appends the message's text, as stored, to `text`; raises FileError.
  virtual void appendText(int32_t message, std::string& text) const = 0;
};

// The messages that a mailbox's index lists, in its order.
class IndexedMessages final : public MessageSource {
 public:
  explicit IndexedMessages(const MailboxReader& reader) : reader_(reader) {}

  int32_t messageCount() const override { return reader_.messageCount(); }
  MessageTime receiveTime(int32_t message) const override { return reader_.receiveTime(message); }
  MessageFlags flags(int32_t message) const override { return reader_.messageFlags(message); }
  void appendText(int32_t message, std::string& text) const override {
    reader_.appendMessageText(message, text);
  }

 private:
  const MailboxReader& reader_;
};

}  // namespace quernel
