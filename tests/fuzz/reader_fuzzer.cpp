// Fuzz target: a mailbox reader over arbitrary bytes. Construction, every
// accessor of every message and every message text; a defective file may
// raise FileError, nothing else may go wrong.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/file_error.h"
#include "platform/host.h"
#include "support/string_input_file.h"

namespace {

using quernel::FileError;
using quernel::MailboxReader;

// Touches every byte so that ASan sees a string that is not really there.
size_t Checksum(const std::string& text) {
  size_t sum = 0;
  for (unsigned char c : text) sum += c;
  return sum;
}

// Returns whether the text could be read.
bool VisitMessage(const MailboxReader& reader, int32_t i, size_t& sum) {
  sum += Checksum(reader.subject(i)) + Checksum(reader.senderName(i)) +
               Checksum(reader.senderAddress(i)) + Checksum(reader.recipientName(i)) +
               Checksum(reader.recipientAddress(i));
  sum += static_cast<size_t>(reader.receiveTime(i)) + static_cast<size_t>(reader.sendTime(i)) +
         reader.recordOffset(i);
  try {
    const std::string text = reader.messageText(i);
    if (text.find('\0') != std::string::npos) __builtin_trap();  // text ends at the first zero
    sum += Checksum(text);
    return true;
  } catch (const FileError&) {
    return false;  // a damaged text chain; the other messages stay readable
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quernel::testing::StringInputFile file(std::string(reinterpret_cast<const char*>(data), size),
                                         "/fuzz/Fuzz.dbx");
  // Any file time, in range or not, taken from the last byte.
  if (size > 0) file.setLastWriteTime(quernel::FileTimeTicks{data[size - 1]} << 50);
  std::optional<MailboxReader> reader;
  try {
    reader.emplace(file, quernel::SystemHost().calendar);
  } catch (const FileError&) {
    return 0;
  }
  size_t sum = Checksum(reader->mailboxPath()) + static_cast<size_t>(reader->mailboxFileTime());
  // Twice each, as the mbox and eml writers read them: a text read once
  // must read again, without being charged to the budget a second time.
  std::vector<bool> readable;
  for (int32_t i = 0; i < reader->messageCount(); ++i) readable.push_back(VisitMessage(*reader, i, sum));
  for (int32_t i = 0; i < reader->messageCount(); ++i) {
    if (VisitMessage(*reader, i, sum) != readable[static_cast<size_t>(i)] && readable[static_cast<size_t>(i)]) {
      __builtin_trap();
    }
  }
  volatile size_t sink = sum;
  (void)sink;
  return 0;
}
