// The batch loop run in-process on the in-memory file system, where the
// failure paths that a real disk makes hard to reach are one call away.

#include "cli/quernel_main.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

std::string Mailbox(int messages, bool damageLastText = false) {
  DbxBuilder builder;
  for (int i = 0; i < messages; ++i) {
    TestMessage message;
    message.text = "Subject: " + std::to_string(i) + "\r\n\r\nbody\r\n";
    message.subject = "message " + std::to_string(i);
    builder.add(message);
  }
  BuiltMailbox built = builder.build();
  if (damageLastText) {
    const uint32_t block = built.blockOffsets.back().front();
    PutU32(built.bytes, block + 0x0C, block);  // the block points to itself
  }
  return built.bytes;
}

class BatchDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    files_.addDirectory("/mail");
  }

  int run(const std::vector<std::string>& arguments) {
    return RunQuernel(arguments, files_, console_);
  }

  MemoryFileSystem files_;
  StringConsole console_;
};

TEST_F(BatchDriverTest, FileHeldByAnotherProgramIsReportedByFullPathAndSkipped) {
  files_.addFile("/mail/a.dbx", Mailbox(1));
  files_.addFile("/mail/b.dbx", Mailbox(2));
  files_.holdByOtherProcess("/mail/a.dbx");
  EXPECT_EQ(run({"-mbx", "/mail/*.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Unable to open file \"/mail/a.dbx\"!\n"
            "Processing mailbox \"b.dbx\" (2 messages)...\n"
            "1 of 2 mailboxes converted to MBOXO-format!\n");
}

TEST_F(BatchDriverTest, FailedMboxCreationSkipsEmlForThatMailboxOnly) {
  files_.addFile("/mail/a.dbx", Mailbox(1));
  files_.addFile("/mail/b.dbx", Mailbox(1));
  files_.failOn(MemoryFileSystem::Operation::CreateOutput, "/mail/a.mbx",
                FileErrorCause::AccessDenied);
  EXPECT_EQ(run({"-mbx", "-eml", "-ff", "/mail/*.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Unable to open outputfile \"/mail/a.mbx\"!\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "1 of 2 mailboxes converted to MBOXO-format!\n"
            "1 of 2 mailboxes converted to EML-format!\n");
  EXPECT_EQ(files_.listFiles(), (std::vector<std::string>{
                                    "/mail/Unknown - message 0.eml", "/mail/a.dbx",
                                    "/mail/b.dbx", "/mail/b.mbx"}));
}

TEST_F(BatchDriverTest, DefectiveTextStopsMboxButEmlStillRuns) {
  files_.addFile("/mail/a.dbx", Mailbox(3, /*damageLastText=*/true));
  EXPECT_EQ(run({"-mbxrd", "-eml", "/mail/a.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (3 messages)...\n"
            "File \"a.dbx\" seems to be defective!\n"
            "File \"a.dbx\" seems to be defective!\n"
            "0 of 1 mailboxes converted to MBOXRD-format!\n"
            "0 of 1 mailboxes converted to EML-format!\n");
  EXPECT_TRUE(files_.exists("/mail/a/Unknown - message 1.eml"));
  EXPECT_FALSE(files_.exists("/mail/a/Unknown - message 2.eml"));
}

TEST_F(BatchDriverTest, MaildirAloneNeedsNoOtherFormatAndCombinesWithThem) {
  files_.addFile("/mail/a.dbx", Mailbox(2));
  files_.addFile("/mail/b.dbx", Mailbox(1, /*damageLastText=*/true));
  EXPECT_EQ(run({"-maildir", "/mail/*.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (2 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "File \"b.dbx\" seems to be defective!\n"
            "1 of 2 mailboxes converted to Maildir-format!\n");
  EXPECT_TRUE(files_.exists("/mail/a/cur/0.Q1.quernel:2,"));

  console_.clear();
  EXPECT_EQ(run({"-mbx", "-mbxrd", "-eml", "-maildir", "-flags", "/mail/a.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (2 messages)...\n"
            "1 of 1 mailboxes converted to MBOXO-format!\n"
            "1 of 1 mailboxes converted to MBOXRD-format!\n"
            "1 of 1 mailboxes converted to EML-format!\n"
            "1 of 1 mailboxes converted to Maildir-format!\n");
  EXPECT_NE(files_.contents("/mail/a.mbx")->find("\r\nStatus: O\r\n"), std::string::npos);
  EXPECT_EQ(files_.contents("/mail/a/cur/0.Q0.quernel:2,"), "Subject: 0\r\n\r\nbody\r\n");
}

TEST_F(BatchDriverTest, InputIsNeverChanged) {
  const std::string original = Mailbox(2);
  files_.addFile("/mail/a.dbx", original);
  // A template that names the input itself must not truncate it.
  EXPECT_EQ(run({"-mbxa.dbx", "/mail/a.dbx"}), 0);
  EXPECT_EQ(files_.contents("/mail/a.dbx"), original);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (2 messages)...\n"
            "Unable to open outputfile \"/mail/a.dbx\"!\n"
            "0 of 1 mailboxes converted to MBOXO-format!\n");
}

}  // namespace
}  // namespace quernel::testing
