// Writes the mailbox of the round-trip tests of the real program (.eml,
// Maildir, mbox with state lines) and prints, as JSON, what each of its
// messages must read back as: the raw text and the Subject and From header
// values as stored (folding kept), the send and receive times, and its read,
// answered, flagged and forwarded state.
//
// Usage: eml_roundtrip_mailbox OUTPUT.dbx > expected.json

#include <cstdio>
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
constexpr uint32_t kComposedHere = 0x08;  // Outlook Express's bit for a message written here

struct Sample {
  std::string subjectHeader;  // value as it stands in the text
  std::string fromHeader;
  std::string subjectProperty;  // what the index stores, used for the file name
  std::string senderName;
  std::string body;
  std::string lineEnd = "\r\n";
  uint32_t flags = kRead;
};

std::vector<Sample> Samples() {
  std::string longBody;
  for (int line = 0; line < 200; ++line) {
    longBody += "Line " + std::to_string(line) + " of a body longer than one text block.\r\n";
  }
  return {
      {"Hello", "Alice Example <alice@example.com>", "Hello", "Alice Example", "Hi Bob.\r\n"},
      // Same sender and subject: the second one gets a numbered name.
      {"Hello", "Alice Example <alice@example.com>", "Hello", "Alice Example", "Again.\r\n"},
      {"A long subject\r\n that is folded", "\"Bob, Jr.\" <bob@example.org>",
       "A long subject that is folded", "Bob, Jr.", "Folded.\r\n"},
      {"=?ISO-8859-1?Q?Gr=FC=DFe?=", "=?UTF-8?B?SsO8cmdlbg==?= <j@example.de>", "Gr\xFC\xDF" "e",
       "J\xFCrgen", "From here on a line starts with From.\r\nFrom me\r\n"},
      {"Re: a/b\\c? <x>", "carol@example.net", "Re: a/b\\c? <x>", "", longBody, "\r\n",
       kRead | kAnswered | kFlagged | kForwarded},
      {"Unix line ends", "dave@example.com", "Unix line ends", "Dave", "One\nTwo\n", "\n",
       kFlagged | kComposedHere},
      // Unread, with state lines of its own that "-flags" replaces.
      {"Old state", "erin@example.com", "Old state", "Erin", "Read me.\r\n", "\r\n", 0},
  };
}

std::string TextOf(const Sample& sample) {
  const std::string& eol = sample.lineEnd;
  const std::string state = sample.subjectHeader == "Old state"
                                ? "Status: RO" + eol + "X-Mozilla-Status: 0008" + eol
                                : std::string();
  return "From: " + sample.fromHeader + eol + "Subject: " + sample.subjectHeader + eol + state +
         "MIME-Version: 1.0" + eol + "Content-Type: text/plain; charset=us-ascii" + eol + eol +
         sample.body;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.dbx\n", argv[0]);
    return 2;
  }
  DbxBuilder builder;
  std::string json = "[\n";
  int64_t sendTime = 1100000000;
  for (const Sample& sample : Samples()) {
    TestMessage message;
    message.text = TextOf(sample);
    message.subject = sample.subjectProperty;
    message.senderName = sample.senderName;
    message.sendTime = FileTimeFromUnix(sendTime);
    message.receiveTime = FileTimeFromUnix(sendTime + 90);
    message.flags = sample.flags;
    builder.add(message);
    auto state = [&](uint32_t bit) { return std::string((sample.flags & bit) ? "true" : "false"); };
    if (json.size() > 2) json += ",\n";
    json += "  {\"subject\": " + JsonString(sample.subjectHeader) +
            ", \"from\": " + JsonString(sample.fromHeader) +
            ", \"text\": " + JsonString(message.text) +
            ", \"time\": " + std::to_string(sendTime) +
            ", \"received\": " + std::to_string(sendTime + 90) +
            ", \"read\": " + state(kRead) + ", \"answered\": " + state(kAnswered) +
            ", \"flagged\": " + state(kFlagged) + ", \"forwarded\": " + state(kForwarded) + "}";
    sendTime += 3600;
  }
  json += "\n]\n";

  std::ofstream out(argv[1], std::ios::binary);
  const std::string bytes = builder.build().bytes;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::fputs(json.c_str(), stdout);
  return 0;
}
