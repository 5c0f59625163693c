#pragma once
// One mailbox converted in "-recover" mode: its indexed messages as usual,
// a defective one set aside instead of ending the mailbox, then what a scan
// of the whole file finds, each set into outputs of its own, and a line
// that counts them all.

#include <string>

#include "cli/run_writers.h"
#include "platform/console.h"
#include "platform/file_system.h"

namespace quernel {

struct RecoverFormats {
  bool mbox = false;
  bool eml = false;
  bool maildir = false;
};

void RecoverMailbox(const std::string& path, RecoverFormats formats, RunWriters& writers,
                    FileSystem& fileSystem, Console& console);

}  // namespace quernel
