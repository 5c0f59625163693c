#pragma once
// MessageSource: the messages a writer writes for one mailbox, wherever they
// come from: the mailbox's index (ReaderSource) or what a scan of the file
// found. Strings are the bytes the mailbox stores; the writers convert them.

#include <cstdint>
#include <string>

#include "dbx/mailbox_reader.h"
#include "dbx/message_properties.h"
#include "naming/naming_fields.h"
#include "platform/path_rules.h"

namespace quernel {

class MessageSource {
 public:
  virtual ~MessageSource() = default;

  // The mailbox's file name and time, without a message.
  virtual NamingFields mailboxFields() const = 0;
  virtual int32_t messageCount() const = 0;
  // The header properties of message i; valid until the next call.
  virtual const MessageProperties& properties(int32_t i) = 0;
  // Appends the text of message i to `text`; raises FileError. False: the
  // message is left out, `text` as it was (the source has dealt with why).
  virtual bool appendText(int32_t i, std::string& text) = 0;
  // True once the source has left a message out: what a writer made of the
  // mailbox is then incomplete, and replaces no earlier output.
  virtual bool leftAnyOut() const { return false; }
};

// The messages of the mailbox's index. A damaged text raises the reader's
// FileError, which ends the mailbox. `paths` (the host's) takes the
// mailbox's file name from its path; it outlives the source.
class ReaderSource : public MessageSource {
 public:
  ReaderSource(const MailboxReader& reader, const PathRules& paths) : reader_(reader), paths_(paths) {}

  NamingFields mailboxFields() const override;
  int32_t messageCount() const override { return reader_.messageCount(); }
  const MessageProperties& properties(int32_t i) override { return reader_.properties(i); }
  bool appendText(int32_t i, std::string& text) override {
    reader_.appendMessageText(i, text);
    return true;
  }

 protected:
  const MailboxReader& reader_;

 private:
  const PathRules& paths_;
};

}  // namespace quernel
