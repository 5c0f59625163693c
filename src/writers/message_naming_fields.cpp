#include "writers/message_naming_fields.h"

#include "writers/message_source.h"

namespace quernel {

NamingFields MailboxNamingFields(const MailboxReader& reader, const PathRules& paths) {
  NamingFields fields;
  fields.mailboxName = paths.fileNamePart(reader.mailboxPath());
  fields.mailboxTime = reader.mailboxFileTime();
  return fields;
}

NamingFields NamingFieldsFor(NamingFields mailbox, const CodePageConverter& converter) {
  mailbox.codePage = converter.codePage();
  mailbox.mailboxName = converter.fromProgramText(mailbox.mailboxName);
  return mailbox;
}

void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message,
                            const CodePageConverter& converter) {
  SetMessageNamingFields(fields, reader.properties(message), converter);
}

void SetMessageNamingFields(NamingFields& fields, const MessageProperties& properties,
                            const CodePageConverter& converter) {
  fields.hasMessage = true;
  fields.senderName = converter.toNative(properties.senderName);
  fields.senderAddress = converter.toNative(properties.senderAddress);
  fields.recipientName = converter.toNative(properties.recipientName);
  fields.recipientAddress = converter.toNative(properties.recipientAddress);
  fields.subject = converter.toNative(properties.subject);
  fields.sendTime = properties.sendTime;
  fields.receiveTime = properties.receiveTime;
}

NamingFields ReaderSource::mailboxFields() const { return MailboxNamingFields(reader_, paths_); }

}  // namespace quernel
