#pragma once
// MessageProperties: the header properties of one message record, as the
// mailbox reader keeps them.

#include <string>

#include "dbx/message_time.h"

namespace quernel {

struct MessageProperties {
  std::string subject;
  std::string senderName;
  std::string senderAddress;
  std::string recipientName;
  std::string recipientAddress;
  MessageTime receiveTime = 0;
  MessageTime sendTime = 0;
  uint32_t flags = 0;  // MessageFlags bits

  // True when every property is absent (or empty, which reads the same).
  bool holdsNothing() const {
    return subject.empty() && senderName.empty() && senderAddress.empty() && recipientName.empty() &&
           recipientAddress.empty() && receiveTime == 0 && sendTime == 0 && flags == 0;
  }
};

}  // namespace quernel
