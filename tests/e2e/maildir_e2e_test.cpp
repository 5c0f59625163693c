// End-to-end checks of "-maildir" and "-flags": the program writes a Maildir
// whose names, flags and times readers rely on, reruns add nothing, and the
// state lines reach the mbox and eml files on request only.

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dbx/message_flags.h"
#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

constexpr int64_t kReceived = 1100003600;  // 2004-11-09 12:33:20 UTC

struct Sample {
  std::string text;
  uint32_t flags;
  int64_t received;
};

const Sample kSamples[] = {
    {"Subject: read\r\n\r\nFrom here on\r\n", MessageFlags::kRead, kReceived},
    {"Subject: answered and flagged\r\n\r\nbody\r\n",
     MessageFlags::kRead | MessageFlags::kAnswered | MessageFlags::kMarked, kReceived + 60},
    {"Subject: unread, forwarded, sent from here\n\nLF only\n", MessageFlags::kForwarded | 0x08,
     kReceived + 120},
};

std::string SampleMailbox() {
  DbxBuilder builder;
  int number = 0;
  for (const Sample& sample : kSamples) {
    TestMessage message;
    message.subject = std::to_string(number++);
    message.text = sample.text;
    message.flags = sample.flags;
    message.senderAddress = "someone@example.com";
    message.sendTime = FileTimeFromUnix(sample.received - 30);
    message.receiveTime = FileTimeFromUnix(sample.received);
    builder.add(message);
  }
  return builder.build().bytes;
}

std::vector<std::string> ExpectedNames() {
  const std::string separator(1, MaildirInfoSeparator());
  return {"1100003600.Q0.quernel" + separator + "2,S",
          "1100003660.Q1.quernel" + separator + "2,FRS",
          "1100003720.Q2.quernel" + separator + "2,P"};
}

int64_t ModificationTime(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_mtime : -1;
}

TEST(Maildir, MessagesGoToCurNamedByTimeNumberAndFlagsWithTheReceiveTime) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", SampleMailbox());
  ProcessResult result = RunQuernelProcess({"-maildir", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"Inbox.dbx\" (3 messages)...\n"
            "1 of 1 mailboxes converted to Maildir-format!\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(ListDirectory(dir / "Inbox"), (std::vector<std::string>{"cur", "new", "tmp"}));
  EXPECT_EQ(ListDirectory(dir / "Inbox/tmp"), std::vector<std::string>{});
  const std::vector<std::string> names = ExpectedNames();
  ASSERT_EQ(ListDirectory(dir / "Inbox/cur"), names);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string path = dir / ("Inbox/cur/" + names[i]);
    EXPECT_EQ(ReadFile(path), kSamples[i].text) << names[i];
    EXPECT_EQ(ModificationTime(path), kSamples[i].received) << names[i];
  }
  EXPECT_FALSE(FileExists(dir / "Inbox.mbx"));

  // A rerun finds every message, also one whose flags a mail program changed.
  const std::string renamed = dir / ("Inbox/cur/" + names[2] + "S");
  ASSERT_EQ(rename((dir / ("Inbox/cur/" + names[2])).c_str(), renamed.c_str()), 0);
  result = RunQuernelProcess({"-maildir", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"Inbox.dbx\" (3 messages)...\n"
            "1 of 1 mailboxes converted to Maildir-format!\n");
  EXPECT_EQ(ListDirectory(dir / "Inbox/cur").size(), 3u);
  EXPECT_TRUE(FileExists(renamed));

  // With -overwrite each message is written again under its own flags.
  result = RunQuernelProcess({"-maildir", "-overwrite", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(ListDirectory(dir / "Inbox/cur"), names);
}

TEST(Maildir, CombinesWithTheOtherFormatsAndTheirOutputDirectory) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", SampleMailbox());
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
  ProcessResult result = RunQuernelProcess({"-mbxrd", "-eml", "-maildir", "Inbox.dbx", "out"}, dir.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"Inbox.dbx\" (3 messages)...\n"
            "1 of 1 mailboxes converted to MBOXRD-format!\n"
            "1 of 1 mailboxes converted to EML-format!\n"
            "1 of 1 mailboxes converted to Maildir-format!\n");
  EXPECT_EQ(ListDirectory(dir / "out/Inbox/cur"), ExpectedNames());
  // The eml files share the folder; without -flags every byte is as stored.
  EXPECT_EQ(ListDirectory(dir / "out/Inbox").size(), 3u + 3u);
  const std::string mbox = ReadFile(dir / "out/Inbox.mbx");
  EXPECT_NE(mbox.find(kSamples[1].text), std::string::npos);
  EXPECT_EQ(mbox.find("Status:"), std::string::npos);

  // Written again into the relative output directory, which the system
  // lists under its full path: every message replaces itself.
  result = RunQuernelProcess({"-maildir", "-overwrite", "Inbox.dbx", "out"}, dir.path());
  EXPECT_EQ(ListDirectory(dir / "out/Inbox/cur"), ExpectedNames()) << result.out;
}

TEST(Flags, StateLinesReachMboxAndEmlButNotTheMaildir) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", SampleMailbox());
  ProcessResult result =
      RunQuernelProcess({"-flags", "-mbxrd", "-eml$SUBJ$.eml", "-maildir", "Inbox.dbx"}, dir.path());
  ASSERT_EQ(result.status, 0);
  const std::string mbox = ReadFile(dir / "Inbox.mbx");
  EXPECT_NE(mbox.find("Subject: read\r\nStatus: RO\r\nX-Status: \r\nX-Mozilla-Status: 0001\r\n"
                      "X-Mozilla-Status2: 00000000\r\n\r\n>From here on\r\n"),
            std::string::npos)
      << mbox;
  EXPECT_NE(mbox.find("Status: RO\r\nX-Status: AF\r\nX-Mozilla-Status: 0007\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "Inbox/2.eml"),
            "Subject: unread, forwarded, sent from here\nStatus: O\nX-Status: \n"
            "X-Mozilla-Status: 1000\nX-Mozilla-Status2: 00000000\n\nLF only\n");
  EXPECT_EQ(ReadFile(dir / ("Inbox/cur/" + ExpectedNames()[0])), kSamples[0].text);
}

}  // namespace
}  // namespace quernel::testing
