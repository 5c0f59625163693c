#pragma once
// The naming fields of a mailbox and its messages, taken from the reader.

#include <cstdint>

#include "dbx/mailbox_reader.h"
#include "naming/naming_fields.h"

namespace quernel {

// The mailbox's file name and time, without a message. The file name is a
// path component, already in the program's character set.
NamingFields MailboxNamingFields(const MailboxReader& reader);

// Sets the message fields of `fields` to those of `message`; the mailbox
// fields stay.
void SetMessageNamingFields(NamingFields& fields, const MailboxReader& reader, int32_t message);

}  // namespace quernel
