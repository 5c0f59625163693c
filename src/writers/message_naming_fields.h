#pragma once
// The naming fields of a mailbox and its messages, taken from the reader.
// The reader keeps strings as stored; they are converted here, by the one
// converter chosen for the mailbox, because names are made from them.

#include <cstdint>

#include "dbx/mailbox_reader.h"
#include "naming/naming_fields.h"
#include "platform/code_page.h"
#include "platform/path_rules.h"

namespace quernel {

// The mailbox's file name and time, without a message. The file name is a
// path component, in the program's own text, taken from the path by `paths`.
NamingFields MailboxNamingFields(const MailboxReader& reader, const PathRules& paths);

// The mailbox's fields (as MailboxNamingFields and the message sources give
// them) ready for names made with `converter`: its code page, and the file
// name in the character set names are made in.
NamingFields NamingFieldsFor(NamingFields mailbox, const CodePageConverter& converter);

// Sets the message fields of `fields` to those of `message`, strings
// converted into the character set names are made in; the mailbox fields stay.
void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message,
                            const CodePageConverter& converter);
// The same from a message's stored properties.
void SetMessageNamingFields(NamingFields& fields, const MessageProperties& properties,
                            const CodePageConverter& converter);

}  // namespace quernel
