#include "writers/message_naming_fields.h"

namespace quernel {

NamingFields MailboxNamingFields(const MailboxReader& reader) {
  NamingFields fields;
  fields.mailboxName = reader.mailboxFileName();
  fields.mailboxTime = reader.mailboxFileTime();
  return fields;
}

void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message,
                            const CodePageConverter& converter) {
  fields.hasMessage = true;
  fields.senderName = converter.toNative(reader.senderName(message));
  fields.senderAddress = converter.toNative(reader.senderAddress(message));
  fields.recipientName = converter.toNative(reader.recipientName(message));
  fields.recipientAddress = converter.toNative(reader.recipientAddress(message));
  fields.subject = converter.toNative(reader.subject(message));
  fields.sendTime = reader.sendTime(message);
  fields.receiveTime = reader.receiveTime(message);
}

}  // namespace quernel
