#pragma once
// MboxOptions: how the mbox writer writes every mailbox of a run.

#include <string>

#include "writers/from_quoting.h"
#include "writers/message_date.h"

namespace quernel {

inline constexpr const char* kDefaultMboxTemplate = "$DBXNAME$.mbx";

struct MboxOptions {
  QuoteRule quoting;
  // Two line ends after every text, not only after a text whose last line
  // lacks its own.
  bool doubleNewline = false;
  // The date shown in each message's separator line.
  MessageDate date = MessageDate::Send;
  // Each message's state as header lines ("-flags").
  bool statusHeaders = false;
  // Expanded once per mailbox, at the mailbox level.
  std::string nameTemplate = kDefaultMboxTemplate;
  // Empty: the mbox file goes next to its mailbox.
  std::string outputDirectory;
};

}  // namespace quernel
