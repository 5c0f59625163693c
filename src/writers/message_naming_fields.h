#pragma once
// The naming fields of a mailbox and its messages, taken from the reader.
// The reader keeps strings as stored; they are converted here, by the one
// converter chosen for the mailbox, because names are made from them.

#include <cstdint>

#include "dbx/mailbox_reader.h"
#include "naming/naming_fields.h"
#include "platform/code_page.h"

namespace quernel {

// The mailbox's file name and time, without a message, and the converter's
// code page. The file name, a path component, is taken from the program's
// own text into the character set names are made in.
NamingFields MailboxNamingFields(const MailboxReader& reader, const CodePageConverter& converter);

// Sets the message fields of `fields` to those of `message`, strings
// converted into the character set names are made in; the mailbox fields stay.
void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message,
                            const CodePageConverter& converter);

}  // namespace quernel
