#pragma once
// The "-imap" run: every listed mailbox uploaded into a folder on an IMAP
// server, reconnecting where the connection fails, and the counts printed.

#include "cli/run_settings.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"

namespace quernel {

// Returns the exit status: 0 only when every message is on the server.
int RunImapUpload(RunSettings settings, FileSystem& fileSystem, Console& console, const Host& host);

}  // namespace quernel
