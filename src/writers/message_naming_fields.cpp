#include "writers/message_naming_fields.h"

namespace quernel {

NamingFields MailboxNamingFields(const MailboxReader& reader) {
  NamingFields fields;
  fields.mailboxName = reader.mailboxFileName();
  fields.mailboxTime = reader.mailboxFileTime();
  return fields;
}

void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message) {
  fields.hasMessage = true;
  fields.senderName = reader.senderName(message);
  fields.senderAddress = reader.senderAddress(message);
  fields.recipientName = reader.recipientName(message);
  fields.recipientAddress = reader.recipientAddress(message);
  fields.subject = reader.subject(message);
  fields.sendTime = reader.sendTime(message);
  fields.receiveTime = reader.receiveTime(message);
}

}  // namespace quernel
