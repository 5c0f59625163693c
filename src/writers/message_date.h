#pragma once
// Which of a message's two dates the writers use: for the mbox separator
// line and for the time stamp of an .eml file.

#include <cstdint>

#include "dbx/mailbox_reader.h"

namespace quernel {

enum class MessageDate { Send, Receive };

// The chosen date of `message`; 0 when the message stores none, in which
// case the other date is not taken instead.
inline MessageTime ChosenDate(const MessageProperties& properties, MessageDate date) {
  return date == MessageDate::Receive ? properties.receiveTime : properties.sendTime;
}
inline MessageTime ChosenDate(const MailboxReader& reader, int32_t message, MessageDate date) {
  return ChosenDate(reader.properties(message), date);
}

}  // namespace quernel
