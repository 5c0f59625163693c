#pragma once
// Mailboxes of Windows in other languages: each message's record holds its
// subject and sender name in the ANSI code page of the Windows that received
// it, and its text begins with header lines encoded as the sending clients
// encoded them (RFC 2047 words in B and Q encoding, in that charset or
// another one, and raw 8-bit text with the charset named in Content-Type).
// The UTF-8 texts were taken from Python's codecs of the same code pages.

#include <string>
#include <vector>

#include "support/dbx_builder.h"

namespace quernel::testing {

struct LanguageMessage {
  std::string storedSubject;
  std::string storedSenderName;
  std::string headerLines;  // each ending in CR LF
  // The subject and the sender name in UTF-8, as they stand in a file name
  // (the subject's ":" already a space).
  std::string subjectName;
  std::string senderName;
};

struct LanguageMailbox {
  const char* language;
  int codePage;
  std::vector<LanguageMessage> messages;
};

// Russian (1251, one of whose messages names the wrong charset, so that only
// 1252 explains it), Greek (1253), Czech (1250), Japanese (932), Simplified
// Chinese (936), Korean (949) and Traditional Chinese (950).
const std::vector<LanguageMailbox>& LanguageMailboxes();

// The mailbox of that language; the first one for an unknown code page.
const LanguageMailbox& LanguageMailboxOf(int codePage);

// The message as the builder takes it: the stored strings, and a text of the
// header lines, a To line and a short body.
TestMessage ToTestMessage(const LanguageMessage& message);

// The mailbox file of `messages`, in order.
std::string BuildMailbox(const std::vector<LanguageMessage>& messages);

}  // namespace quernel::testing
