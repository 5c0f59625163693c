// Fuzz target: the salvage of arbitrary bytes, with the index's messages
// left out where the reader can read the index, and the damaged ones added.
// Every found text and every naming field is read; nothing is found twice,
// and the texts the scan found together are no longer than the file.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "dbx/salvage.h"
#include "platform/file_error.h"
#include "platform/host.h"
#include "support/string_input_file.h"

namespace {

using namespace quernel;

size_t Checksum(const std::string& text) {
  size_t sum = 0;
  for (unsigned char c : text) sum += c;
  return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  testing::StringInputFile file(std::string(reinterpret_cast<const char*>(data), size), "/fuzz/Fuzz.dbx");
  std::optional<MailboxReader> reader;
  std::vector<uint32_t> indexed;
  try {
    reader.emplace(file, SystemHost().calendar);
    for (int32_t i = 0; i < reader->messageCount(); ++i) indexed.push_back(reader->textStart(i));
  } catch (const FileError&) {
    reader.reset();
  }
  Salvage salvage(file, indexed, SystemHost().calendar);
  if (reader) {
    for (int32_t i = 0; i < reader->messageCount(); ++i) {
      try {
        (void)reader->messageText(i);
      } catch (const FileError&) {
        salvage.addDamaged(reader->textStart(i), reader->recordOffset(i), {});
      }
    }
  }
  std::set<uint32_t> starts(indexed.begin(), indexed.end());
  uint64_t foundBytes = 0;
  size_t sum = 0;
  for (const FoundMessage& m : salvage.messages()) {
    const std::string text = salvage.text(m);
    const MailboxReader::Properties fields = salvage.fields(m);
    sum += Checksum(text) + Checksum(fields.subject) + Checksum(fields.senderName) +
           Checksum(fields.senderAddress) + Checksum(fields.recipientName) + Checksum(fields.recipientAddress);
    if (m.tailBlocks > 0 && !starts.insert(m.tailStart).second) __builtin_trap();  // a fragment used twice
    if (m.indexed) continue;
    if (!starts.insert(m.textStart).second) __builtin_trap();  // found twice
    foundBytes += text.size();
  }
  if (foundBytes > size) __builtin_trap();  // more than the file holds
  volatile size_t sink = sum;
  (void)sink;
  return 0;
}
