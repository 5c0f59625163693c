// Writes the files that mbox_roundtrip.py reads back with Python's mailbox
// module: a built mailbox, its mbox files in both variants (mboxrd also with
// -dn), and each message's stored text as text-N.txt.
//
// Usage: mbox_roundtrip_fixture FOLDER

#include <cstdio>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/code_page.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "support/dbx_builder.h"
#include "writers/mbox_writer.h"

namespace quernel::testing {
namespace {

std::vector<TestMessage> RoundtripMessages() {
  const std::vector<std::pair<std::string, std::string>> senderAndText = {
      {"a@example.org",
       "From: A <a@example.org>\r\nSubject: quoting\r\n\r\nFrom here\r\n>From there\r\n"
       ">>From deeper\r\nfrom lower\r\n>> From spaced\r\n\r\nFrom \r\n"},
      {"", "From the very first byte\r\n\r\nbody\r\n"},
      {"j\xf6rg@example.org", "Subject: caf\xe9\r\n\r\n8-bit body \xe9\xe8\r\n"},
      {"forged\nFrom evil@example.org", "Subject: crafted sender\r\n\r\n.\r\n"},
      {"b@example.org", "\r\n"},
  };
  std::vector<TestMessage> messages;
  for (const auto& [sender, text] : senderAndText) {
    TestMessage message;
    message.senderAddress = sender;
    message.text = text;
    message.sendTime = FileTimeFromUnix(1046937907);
    messages.push_back(std::move(message));
  }
  // A long text over many blocks, with From lines across block boundaries.
  TestMessage longMessage;
  longMessage.senderAddress = "long@example.org";
  longMessage.text = "Subject: long\r\n\r\n";
  for (int i = 0; i < 400; ++i) {
    longMessage.text += (i % 7 == 0) ? std::string(i % 3, '>') + "From line " : "text ";
    longMessage.text += std::to_string(i) + "\r\n";
  }
  longMessage.sendTime = FileTimeFromUnix(1088699400);
  messages.push_back(std::move(longMessage));
  return messages;
}

void WriteFile(FileSystem& files, const std::string& path, const std::string& bytes) {
  std::unique_ptr<OutputFile> file = files.createOutput(path, CreateMode::Truncate);
  file->write(bytes);
  file->close();
}

int Run(const std::string& folder) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  DbxBuilder builder;
  const std::vector<TestMessage> messages = RoundtripMessages();
  for (size_t i = 0; i < messages.size(); ++i) {
    builder.add(messages[i]);
    WriteFile(*files, SystemHost().paths.join(folder, "text-" + std::to_string(i) + ".txt"), messages[i].text);
  }
  const std::string mailboxPath = SystemHost().paths.join(folder, "Roundtrip.dbx");
  WriteFile(*files, mailboxPath, builder.build().bytes);

  std::unique_ptr<InputFile> input = files->openInput(mailboxPath);
  const MailboxReader reader(*input, SystemHost().calendar);
  StdoutConsole console;
  MboxWriter writer(*files, console, SystemHost());
  const std::unique_ptr<CodePageConverter> converter = MakeDefaultCodePageConverter();
  int32_t converted = 0;
  const struct {
    MboxVariant variant;
    bool doubleNewline;
    const char* name;
  } variants[] = {
      {MboxVariant::Mboxo, false, "roundtrip.mboxo"},
      {MboxVariant::Mboxrd, false, "roundtrip.mboxrd"},
      {MboxVariant::Mboxrd, true, "roundtrip-dn.mboxrd"},
  };
  for (const auto& variant : variants) {
    MboxOptions options;
    options.quoting.variant = variant.variant;
    options.doubleNewline = variant.doubleNewline;
    options.nameTemplate = variant.name;
    writer.convertMailbox(options, mailboxPath, "Roundtrip.dbx", reader, *converter, converted);
  }
  std::printf("%d messages, %d mbox files\n", reader.messageCount(), converted);
  return converted == 3 ? 0 : 1;
}

}  // namespace
}  // namespace quernel::testing

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  return quernel::testing::Run(argv[1]);
}
