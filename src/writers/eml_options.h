#pragma once
// EmlOptions: how the eml writer writes every mailbox of a run.

#include <string>

#include "writers/message_date.h"

namespace quernel {

inline constexpr const char* kDefaultEmlTemplate =
    "$SNAME_L:32_E:Unknown$ - $SUBJ_L:64_E:No Subject$.eml";

struct EmlOptions {
  // Expanded once per message.
  std::string nameTemplate = kDefaultEmlTemplate;
  // Every message straight into the output directory, with no subdirectory
  // per mailbox.
  bool flatFolders = false;
  // Files of earlier runs are replaced instead of kept beside numbered names.
  bool overwrite = false;
  // The date each file is stamped with.
  MessageDate date = MessageDate::Send;
  // Each message's state as header lines ("-flags").
  bool statusHeaders = false;
  // Empty: next to the mailbox.
  std::string outputDirectory;
};

}  // namespace quernel
