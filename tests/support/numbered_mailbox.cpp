#include "support/numbered_mailbox.h"

#include "support/dbx_builder.h"

namespace quernel::testing {

std::string NumberedMailbox(int messages, const std::string& tag) {
  DbxBuilder builder;
  for (int i = 0; i < messages; ++i) {
    TestMessage message;
    message.subject = tag + " " + std::to_string(i);
    message.text = "From: a@example.com\r\nSubject: " + *message.subject +
                   "\r\n\r\nFrom here on, a body line.\r\n>From quoted already\r\n";
    message.senderAddress = "a@example.com";
    message.sendTime = FileTimeFromUnix(1100000000 + i * 3600);
    builder.add(message);
  }
  return builder.build().bytes;
}

}  // namespace quernel::testing
