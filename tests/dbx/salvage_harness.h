#pragma once
// Shared helpers for the salvage tests: mail texts with header lines, a
// salvage over bytes in memory, and what a deleted message's text becomes.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dbx/chain_text.h"
#include "dbx/mailbox_reader.h"
#include "dbx/salvage.h"
#include "platform/host.h"
#include "support/dbx_builder.h"
#include "support/string_input_file.h"

namespace quernel::testing {

// A message with header lines and `bodySize` bytes of body (no zero bytes).
// Like mail that came from a server, it starts with a Received line, which
// loses its first 4 bytes when the message is deleted.
inline std::string MailText(const std::string& subject, size_t bodySize) {
  std::string text =
      "Received: from mail.example.org by mx.example.com; Tue, 1 Nov 2005 10:05:00 +0100\r\n"
      "From: \"Ben Okafor\" <ben@example.org>\r\nTo: anna@example.com\r\nSubject: " +
      subject + "\r\nDate: Tue, 1 Nov 2005 10:00:00 +0100\r\n\r\n";
  for (size_t k = 0; k < bodySize; ++k) text += k % 64 == 63 ? '\n' : static_cast<char>('a' + (k + subject.size()) % 26);
  return text;
}

// A message with a record that names it.
inline TestMessage RecordedMessage(const std::string& subject, size_t bodySize) {
  TestMessage m;
  m.text = MailText(subject, bodySize);
  m.subject = subject;
  m.senderName = "Ben Okafor";
  m.senderAddress = "ben@example.org";
  m.recipientAddress = "anna@example.com";
  m.receiveTime = FileTimeFromUnix(1130850000);
  m.sendTime = FileTimeFromUnix(1130836000);
  return m;
}

// What the salvage gives back of a deleted message's text: the first 4
// bytes of each 512 replaced by the filler.
inline std::string AsDeleted(std::string_view text) {
  std::string out;
  for (size_t at = 0; at < text.size(); at += 512) {
    const std::string_view piece = text.substr(at, 512);
    out += at == 0 ? dbx::kFirstChunkFiller : dbx::kChunkFiller;
    if (piece.size() > 4) out += piece.substr(4);
  }
  return out;
}

// The file comes first, so it outlives the salvage that reads it.
struct SalvageOver {
  explicit SalvageOver(std::string bytes, std::vector<uint32_t> indexed = {})
      : file(std::move(bytes)), salvage(file, indexed, SystemHost().calendar) {}
  StringInputFile file;
  Salvage salvage;
};

inline std::vector<uint32_t> IndexedStarts(const MailboxReader& reader) {
  std::vector<uint32_t> starts;
  for (int32_t i = 0; i < reader.messageCount(); ++i) starts.push_back(reader.textStart(i));
  return starts;
}

// The texts of the found messages of one kind, in list order.
inline std::vector<std::string> FoundTexts(Salvage& salvage, FoundKind kind) {
  std::vector<std::string> texts;
  for (const FoundMessage& m : salvage.messages()) {
    if (m.kind == kind) texts.push_back(salvage.text(m));
  }
  return texts;
}

}  // namespace quernel::testing
