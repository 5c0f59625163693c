// Fuzz target: the whole program converting one fuzzed mailbox with
// "-mbxrd -eml -maildir -flags" on the in-memory file system; the input's
// last byte is not part of the mailbox: its lowest bit adds "-recover".
// Whatever the mailbox holds, the run ends with its three summary lines and
// exit status 0, and a mailbox counted as converted to eml or Maildir has
// one file per message it converted. With "-recover", each found set has one
// file per message its line counts in both, so nothing is written twice.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/quernel_main.h"
#include "fixed_zone.h"
#include "platform/console.h"
#include "platform/memory/memory_file_system.h"

namespace {

constexpr std::string_view kMboxSummary = " of 1 mailboxes converted to MBOXRD-format!\n";
constexpr std::string_view kEmlSummary = " of 1 mailboxes converted to EML-format!\n";
constexpr std::string_view kMaildirSummary = " of 1 mailboxes converted to Maildir-format!\n";

// The message count of the progress line, or -1 without one.
long ReportedMessages(const std::string& text) {
  static constexpr std::string_view kProgress = "Processing mailbox \"Inbox.dbx\" (";
  const size_t line = text.find(kProgress);
  if (line == std::string::npos) return -1;
  return std::strtol(text.c_str() + line + kProgress.size(), nullptr, 10);
}

// The files directly in `folder` (ending in "/"), not in its subfolders.
long FilesIn(const quernel::MemoryFileSystem& fileSystem, std::string_view folder) {
  long count = 0;
  for (const std::string& path : fileSystem.listFiles()) {
    count += path.starts_with(folder) && path.find('/', folder.size()) == std::string::npos;
  }
  return count;
}

long CountOf(std::string_view text, std::string_view part) {
  long count = 0;
  for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The recover mode's counts line: every set's files match it.
void CheckFoundSets(const std::string& text, const quernel::MemoryFileSystem& fileSystem) {
  static constexpr std::string_view kCounts = "\"Inbox.dbx\": ";
  const size_t line = text.find(kCounts);
  if (line == std::string::npos) return;
  long indexed = 0, converted = 0, recovered = 0, deleted = 0, damaged = 0;
  if (std::sscanf(text.c_str() + line + kCounts.size(),
                  "%ld indexed, %ld converted, %ld recovered, %ld deleted, %ld damaged", &indexed,
                  &converted, &recovered, &deleted, &damaged) != 5) {
    __builtin_trap();
  }
  for (const char* folder : {"/mail/Inbox/", "/mail/Inbox/."}) {
    const std::string set(folder);
    const std::string files = set.back() == '.' ? "/cur/" : "/";
    if (FilesIn(fileSystem, set + "recovered" + files) != recovered) __builtin_trap();
    if (FilesIn(fileSystem, set + "deleted" + files) != deleted) __builtin_trap();
    if (FilesIn(fileSystem, set + "damaged" + files) != damaged) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool recover = (data[size - 1] & 1) != 0;
  quernel::MemoryFileSystem fileSystem;
  fileSystem.addDirectory("/mail");
  fileSystem.addFile("/mail/Inbox.dbx", std::string(reinterpret_cast<const char*>(data), size - 1));
  quernel::StringConsole console;
  std::vector<std::string> arguments = {"-mbxrd", "-eml", "-maildir", "-flags", "/mail/Inbox.dbx"};
  if (recover) arguments.insert(arguments.begin(), "-recover");
  const int status = quernel::RunQuernel(arguments, fileSystem, console);
  if (status != 0) __builtin_trap();

  const std::string& text = console.text();
  const size_t maildirLine = text.rfind('\n', text.size() - 2) + 1;
  const std::string_view maildir = std::string_view(text).substr(maildirLine);
  if (maildir.size() != kMaildirSummary.size() + 1 || !maildir.ends_with(kMaildirSummary)) __builtin_trap();
  const size_t emlLine = text.rfind('\n', maildirLine - 2) + 1;
  const size_t mboxLine = text.rfind('\n', emlLine - 2) + 1;
  const std::string_view eml = std::string_view(text).substr(emlLine, maildirLine - emlLine);
  const std::string_view mbox = std::string_view(text).substr(mboxLine, emlLine - mboxLine);
  if (eml.size() != kEmlSummary.size() + 1 || !eml.ends_with(kEmlSummary)) __builtin_trap();
  if (mbox.size() != kMboxSummary.size() + 1 || !mbox.ends_with(kMboxSummary)) __builtin_trap();
  // A damaged message, which only the recover mode goes on past, has a line
  // of its own and no file among the converted ones.
  const long damaged = CountOf(text, " is damaged (");
  if (eml[0] == '1' && FilesIn(fileSystem, "/mail/Inbox/") != ReportedMessages(text) - damaged) {
    __builtin_trap();
  }
  if (maildir[0] == '1' && FilesIn(fileSystem, "/mail/Inbox/cur/") != ReportedMessages(text) - damaged) {
    __builtin_trap();
  }
  if (recover) CheckFoundSets(text, fileSystem);
  return 0;
}
