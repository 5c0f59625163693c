// Writes the mailboxes of the IMAP upload tests and prints, as JSON, what
// the server must hold for each message: its text with CRLF line ends, its
// receive time, flags, and whether it is too large for the test server.
//
// Usage: imap_upload_mailbox small OUTPUT.dbx   a few messages of every kind
//        imap_upload_mailbox many OUTPUT.dbx    N numbered ones (argument 3)
//        imap_upload_mailbox deleted OUTPUT.dbx two messages and two deleted ones
//        imap_upload_mailbox damaged OUTPUT.dbx one of each -recover set ("set")
//        imap_upload_mailbox duplicates OUTPUT.dbx   Message-IDs more than once
//        imap_upload_mailbox empty OUTPUT.dbx an empty message between two

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/dbx_builder.h"
#include "support/json_string.h"

namespace {

using quernel::testing::DbxBuilder;
using quernel::testing::FileTimeFromUnix;
using quernel::testing::JsonString;
using quernel::testing::TestMessage;

using namespace quernel::testing::state_bits;

struct Sample {
  std::string text;
  int64_t received;  // 0: none
  int64_t sent;
  uint32_t flags;
  bool tooLarge = false;
  bool deleted = false;
  bool inIndex = true;
  bool loops = false;  // its second text block names itself as the next
  std::string set = "";  // the -recover set it goes to: "", "recovered", "deleted", "damaged"
};

std::string Text(const std::string& messageId, const std::string& subject, const std::string& body,
                 const std::string& eol) {
  std::string text = "From: a@example.com" + eol + "Subject: " + subject + eol;
  if (!messageId.empty()) text += "Message-ID: " + messageId + eol;
  return text + eol + body;
}

std::vector<Sample> SmallSamples() {
  std::string large;
  while (large.size() < 300 * 1024) large += "A line that makes this message larger than the server takes.\r\n";
  // Europe/Berlin left summer time at 2021-10-31 01:00 UTC: one message on
  // each side of it.
  return {
      {Text("<one@example.com>", "CRLF", "Body.\r\n", "\r\n"), 1635641999, 1635640000, kRead | kAnswered},
      {Text("<two@example.com>", "LF only", "One\nTwo\n", "\n"), 1635642001, 1635640000, kFlagged | kForwarded},
      {Text("<three@example.com>", "CR only, no end", "One\rTwo", "\r"), 1100000000, 1100000000, 0},
      // The same message twice: two copies on the server.
      {Text("<twice@example.com>", "Twice", "Same.\r\n", "\r\n"), 1100003600, 1100003600, kRead},
      {Text("<twice@example.com>", "Twice", "Same.\r\n", "\r\n"), 1100003600, 1100003600, kRead},
      // No Message-ID: known by date and size.
      {Text("", "No id", "Mixed\r\nends\n", "\r\n"), 1100007200, 1100007200, kRead},
      // Only a send time: INTERNALDATE falls back to it.
      {Text("<sent@example.com>", "Sent only", "x\r\n", "\r\n"), 0, 1200000000, 0},
      {Text("<large@example.com>", "Too large", large, "\r\n"), 1100010800, 1100010800, 0, true},
  };
}

std::vector<Sample> ManySamples(int count) {
  std::vector<Sample> samples;
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    std::string body;
    for (int line = 0; line < 40; ++line) body += "Line " + std::to_string(line) + " of message " + number + ".\r\n";
    samples.push_back({Text("<m" + number + "@example.com>", "Message " + number, body, "\r\n"),
                       1100000000 + i * 60, 1100000000 + i * 60, i % 2 == 0 ? kRead : 0});
  }
  return samples;
}

std::vector<Sample> DeletedSamples() {
  std::vector<Sample> samples;
  for (int i = 0; i < 4; ++i) {
    const std::string number = std::to_string(i);
    samples.push_back({Text("<d" + number + "@example.com>", "Message " + number, "Body " + number + ".\r\n", "\r\n"),
                       1100000000 + i * 60, 1100000000 + i * 60, kRead, false, i >= 2});
  }
  return samples;
}

std::vector<Sample> DamagedSamples() {
  std::string body;
  for (int line = 0; line < 30; ++line) body += "Line " + std::to_string(line) + " of the damaged message.\r\n";
  std::vector<Sample> samples = {
      {Text("<r-one@example.com>", "One", "Intact.\r\n", "\r\n"), 1100000000, 1100000000, kRead},
      {Text("<r-two@example.com>", "Two", body, "\r\n"), 1100000060, 1100000060, 0},
      {Text("<r-lost@example.com>", "Lost", "Not in the index.\r\n", "\r\n"), 1100000120, 1100000120, 0},
      {Text("<r-gone@example.com>", "Gone", "Deleted.\r\n", "\r\n"), 1100000180, 1100000180, kRead},
  };
  samples[1].loops = true;
  samples[1].set = "damaged";
  samples[2].inIndex = false;
  samples[2].set = "recovered";
  samples[3].deleted = true;
  samples[3].set = "deleted";
  return samples;
}

std::vector<Sample> DuplicateSamples() {
  std::vector<Sample> samples;
  const auto add = [&](const std::string& id, int copies, int64_t at) {
    for (int copy = 0; copy < copies; ++copy) {
      samples.push_back({Text(id, "Copy", "The same text.\r\n", "\r\n"), at, at, kRead});
    }
  };
  add("<thrice@example.com>", 3, 1100000000);
  add("<once@example.com>", 1, 1100000060);
  add("<twice@example.com>", 2, 1100000120);
  add("", 2, 1100000180);  // no Message-ID: two copies wherever
  return samples;
}

std::vector<Sample> EmptySamples() {
  return {
      {Text("<before@example.com>", "Before", "x\r\n", "\r\n"), 1100000000, 1100000000, 0},
      {"", 1100000060, 1100000060, 0},
      {Text("<after@example.com>", "After", "y\r\n", "\r\n"), 1100000120, 1100000120, 0},
  };
}

std::string Crlf(const std::string& text) {
  std::string wire;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      wire += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      wire += text[i];
    }
  }
  return wire;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s small|many|deleted|damaged|duplicates|empty OUTPUT.dbx [COUNT]\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  const std::vector<Sample> samples = kind == "many"         ? ManySamples(argc > 3 ? std::atoi(argv[3]) : 100)
                                      : kind == "deleted"    ? DeletedSamples()
                                      : kind == "damaged"    ? DamagedSamples()
                                      : kind == "duplicates" ? DuplicateSamples()
                                      : kind == "empty"      ? EmptySamples()
                                                             : SmallSamples();
  DbxBuilder builder;
  std::string json = "[\n";
  for (const Sample& sample : samples) {
    TestMessage message;
    message.text = sample.text;
    message.subject = "s";
    if (sample.received != 0) message.receiveTime = FileTimeFromUnix(sample.received);
    message.sendTime = FileTimeFromUnix(sample.sent);
    message.flags = sample.flags;
    message.deleted = sample.deleted;
    message.inIndex = sample.inIndex;
    if (sample.loops) message.blockTextSize = 256;  // several blocks
    builder.add(message);
    const auto state = [&](uint32_t bit) { return std::string((sample.flags & bit) ? "true" : "false"); };
    if (json.size() > 2) json += ",\n";
    json += "  {\"wire\": " + JsonString(Crlf(sample.text)) + ", \"date\": " +
            std::to_string(sample.received != 0 ? sample.received : sample.sent) + ", \"read\": " + state(kRead) +
            ", \"answered\": " + state(kAnswered) + ", \"flagged\": " + state(kFlagged) +
            ", \"forwarded\": " + state(kForwarded) + ", \"too_large\": " + (sample.tooLarge ? "true" : "false") +
            ", \"deleted\": " + (sample.deleted ? "true" : "false") + ", \"set\": " + JsonString(sample.set) + "}";
  }
  json += "\n]\n";
  std::ofstream out(argv[2], std::ios::binary);
  if (kind == "deleted") builder.linkDeleted();
  quernel::testing::BuiltMailbox built = builder.build();
  for (size_t i = 0; i < samples.size(); ++i) {
    if (!samples[i].loops) continue;
    const uint32_t second = built.blockOffsets[i][1];
    quernel::testing::PutU32(built.bytes, second + 0x0C, second);
  }
  const std::string& bytes = built.bytes;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::fputs(json.c_str(), stdout);
  return 0;
}
