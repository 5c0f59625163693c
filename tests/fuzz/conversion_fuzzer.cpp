// Fuzz target: the whole program converting one fuzzed mailbox with
// "-mbxrd -eml" on the in-memory file system. Whatever the mailbox holds,
// the run ends with its two summary lines and exit status 0, and a mailbox
// counted as converted to eml has one file per message.

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

constexpr std::string_view kMboxSummary = " of 1 mailboxes converted to MBOXRD-format!\n";
constexpr std::string_view kEmlSummary = " of 1 mailboxes converted to EML-format!\n";

// The message count of the progress line, or -1 without one.
long ReportedMessages(const std::string& text) {
  static constexpr std::string_view kProgress = "Processing mailbox \"Inbox.dbx\" (";
  const size_t line = text.find(kProgress);
  if (line == std::string::npos) return -1;
  return std::strtol(text.c_str() + line + kProgress.size(), nullptr, 10);
}

size_t EmlFiles(const quernel::MemoryFileSystem& fileSystem) {
  size_t count = 0;
  for (const std::string& path : fileSystem.listFiles()) count += path.starts_with("/mail/Inbox/");
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quernel::MemoryFileSystem fileSystem;
  fileSystem.addDirectory("/mail");
  fileSystem.addFile("/mail/Inbox.dbx", std::string(reinterpret_cast<const char*>(data), size));
  quernel::StringConsole console;
  const int status = quernel::RunQuernel({"-mbxrd", "-eml", "/mail/Inbox.dbx"}, fileSystem, console);
  if (status != 0) __builtin_trap();

  const std::string& text = console.text();
  const size_t emlLine = text.rfind('\n', text.size() - 2) + 1;
  const size_t mboxLine = text.rfind('\n', emlLine - 2) + 1;
  const std::string_view eml = std::string_view(text).substr(emlLine);
  const std::string_view mbox = std::string_view(text).substr(mboxLine, emlLine - mboxLine);
  if (eml.size() != kEmlSummary.size() + 1 || !eml.ends_with(kEmlSummary)) __builtin_trap();
  if (mbox.size() != kMboxSummary.size() + 1 || !mbox.ends_with(kMboxSummary)) __builtin_trap();
  if (eml[0] == '1' && static_cast<long>(EmlFiles(fileSystem)) != ReportedMessages(text)) {
    __builtin_trap();
  }
  return 0;
}
