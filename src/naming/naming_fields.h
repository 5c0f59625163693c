#pragma once
// NamingFields: the values a naming template can name, for one mailbox and,
// at the message level, one of its messages. Whoever makes names fills them
// from wherever the values come from; strings are in the program's character
// set already.

#include <string>

#include "dbx/message_time.h"

namespace quernel {

struct NamingFields {
  // The mailbox file's name without its directory, extension included
  // ("DBXNAME" drops the extension itself).
  std::string mailboxName;
  // The mailbox file's last-write time; -1 when it is out of range.
  MessageTime mailboxTime = 0;

  // False at the mailbox level, where only the two fields above are
  // recognised and the message's fields are not looked at.
  bool hasMessage = false;
  std::string senderName;
  std::string senderAddress;
  std::string recipientName;
  std::string recipientAddress;
  std::string subject;
  MessageTime sendTime = 0;     // 0: no send date stored
  MessageTime receiveTime = 0;  // 0: no receive date stored
};

}  // namespace quernel
