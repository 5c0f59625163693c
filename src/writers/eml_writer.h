#pragma once
// EmlWriter: writes each message of one mailbox to its own .eml file, with
// numbered names for names already taken and the message date as file time.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "cli/run_settings.h"
#include "dbx/mailbox_reader.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

// One writer lives for the whole run: it remembers the names it has written
// and the highest number it found taken per name, so that duplicate names
// cost one probe each instead of a search from (1) every time.
class EmlWriter {
 public:
  EmlWriter(FileSystem& fileSystem, Console& console);

  void convertMailbox(const RunSettings& settings, const std::string& inputPath,
                      const std::string& inputFileName, const std::string& displayName,
                      const MailboxReader& reader, int32_t& counter);

 private:
  FileSystem& fileSystem_;
  Console& console_;
};

}  // namespace quernel
