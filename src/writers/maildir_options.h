#pragma once
// MaildirOptions: how the Maildir writer writes every mailbox of a run.

#include <string>

namespace quernel {

struct MaildirOptions {
  // Messages that an earlier run wrote are written again and replace those
  // files, instead of being left as they are.
  bool overwrite = false;
  // Empty: next to the mailbox.
  std::string outputDirectory;
};

}  // namespace quernel
