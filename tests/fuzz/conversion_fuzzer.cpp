// Fuzz target: the whole program converting one fuzzed mailbox with
// "-mbxrd -eml -maildir -flags" on the in-memory file system. Whatever the
// mailbox holds, the run ends with its three summary lines and exit status
// 0, and a mailbox counted as converted to eml or Maildir has one file per
// message there.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/quernel_main.h"
#include "fixed_zone.h"
#include "platform/console.h"
#include "platform/memory/memory_file_system.h"

namespace {

constexpr std::string_view kSummaries[] = {
    " of 1 mailboxes converted to MBOXRD-format!\n",
    " of 1 mailboxes converted to EML-format!\n",
    " of 1 mailboxes converted to Maildir-format!\n",
};

// The message count of the progress line, or -1 without one.
long ReportedMessages(const std::string& text) {
  static constexpr std::string_view kProgress = "Processing mailbox \"Inbox.dbx\" (";
  const size_t line = text.find(kProgress);
  if (line == std::string::npos) return -1;
  return std::strtol(text.c_str() + line + kProgress.size(), nullptr, 10);
}

// The files directly in `folder`.
long FilesIn(const quernel::MemoryFileSystem& fileSystem, const std::string& folder) {
  long count = 0;
  for (const std::string& path : fileSystem.listFiles()) {
    count += path.starts_with(folder) && path.find('/', folder.size()) == std::string::npos;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quernel::MemoryFileSystem fileSystem;
  fileSystem.addDirectory("/mail");
  fileSystem.addFile("/mail/Inbox.dbx", std::string(reinterpret_cast<const char*>(data), size));
  quernel::StringConsole console;
  const int status = quernel::RunQuernel({"-mbxrd", "-eml", "-maildir", "-flags", "/mail/Inbox.dbx"},
                                         fileSystem, console);
  if (status != 0) __builtin_trap();

  // The last three lines, in order, each "0" or "1" and its summary.
  const std::string& text = console.text();
  std::string_view lines[3];
  size_t end = text.size();
  for (int k = 2; k >= 0; --k) {
    if (end < 2) __builtin_trap();
    const size_t start = text.rfind('\n', end - 2) + 1;
    lines[k] = std::string_view(text).substr(start, end - start);
    end = start;
  }
  for (int k = 0; k < 3; ++k) {
    if (lines[k].size() != kSummaries[k].size() + 1 || !lines[k].ends_with(kSummaries[k])) {
      __builtin_trap();
    }
  }
  const long messages = ReportedMessages(text);
  if (lines[1][0] == '1' && FilesIn(fileSystem, "/mail/Inbox/") != messages) __builtin_trap();
  if (lines[2][0] == '1' && FilesIn(fileSystem, "/mail/Inbox/cur/") != messages) __builtin_trap();
  return 0;
}
