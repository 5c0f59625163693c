// Fuzz target: naming templates. The input is split at zero bytes into the
// template and the five string properties of one message; the bytes after
// them give its two dates and the mailbox's file time. The message is built
// into a real mailbox, so the values pass through the reader and the default
// converter as in a run.
// The template is expanded at the mailbox level and for the message; the
// result must be a clean file name.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "fixed_zone.h"
#include "naming/naming_template.h"
#include "platform/code_page.h"
#include "platform/host.h"
#include "support/dbx_builder.h"
#include "support/string_input_file.h"
#include "writers/message_naming_fields.h"

namespace {

using quernel::testing::TestMessage;

// Pops the text up to the next zero byte; nothing when the input is used up.
std::optional<std::string> NextPart(std::string_view& rest) {
  if (rest.empty()) return std::nullopt;
  const size_t zero = rest.find('\0');
  std::string part(rest.substr(0, zero));
  rest.remove_prefix(zero == std::string_view::npos ? rest.size() : zero + 1);
  return part;
}

std::optional<uint64_t> NextTicks(std::string_view& rest) {
  if (rest.size() < 8) return std::nullopt;
  uint64_t ticks;
  std::memcpy(&ticks, rest.data(), 8);
  rest.remove_prefix(8);
  return ticks;
}

void CheckCleanName(const std::string& name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == '/' || c == '\\') __builtin_trap();
  }
  if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) __builtin_trap();
  if (name.find("  ") != std::string::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string namingTemplate = NextPart(rest).value_or("");
  TestMessage message;
  message.subject = NextPart(rest);
  message.senderName = NextPart(rest);
  message.senderAddress = NextPart(rest);
  message.recipientName = NextPart(rest);
  message.recipientAddress = NextPart(rest);
  message.sendTime = NextTicks(rest);
  message.receiveTime = NextTicks(rest);
  const std::optional<uint64_t> fileTime = NextTicks(rest);

  quernel::testing::DbxBuilder builder;
  builder.headerSize(0);
  builder.add(std::move(message));
  quernel::testing::StringInputFile file(builder.build().bytes, "/fuzz/Fuzz box.name.dbx");
  file.setLastWriteTime(fileTime);
  const quernel::Host& host = quernel::SystemHost();
  const quernel::MailboxReader reader(file, host.calendar);
  if (reader.messageCount() != 1) __builtin_trap();
  quernel::NamingFields fields = quernel::MailboxNamingFields(reader, host.paths);
  CheckCleanName(quernel::ExpandNamingTemplate(namingTemplate, fields, host.text, host.calendar));
  const auto converter = quernel::MakeDefaultCodePageConverter();
  quernel::SetMessageNamingFields(fields, reader, 0, *converter);
  CheckCleanName(quernel::ExpandNamingTemplate(namingTemplate, fields, host.text, host.calendar));
  return 0;
}
