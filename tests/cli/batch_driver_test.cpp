// The batch loop run in-process on the in-memory file system, where the
// failure paths that a real disk makes hard to reach are one call away.

#include "cli/quernel_main.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/language_samples.h"
#include "support/local_zone.h"

namespace quernel::testing {
namespace {

std::vector<TestMessage> Messages(int count) {
  std::vector<TestMessage> messages;
  for (int i = 0; i < count; ++i) {
    TestMessage message;
    message.text = "Subject: " + std::to_string(i) + "\r\n\r\nbody\r\n";
    message.subject = "message " + std::to_string(i);
    messages.push_back(message);
  }
  return messages;
}

DbxBuilder BuilderOf(const std::vector<TestMessage>& messages) {
  DbxBuilder builder;
  for (const TestMessage& m : messages) builder.add(m);
  return builder;
}

std::string Mailbox(int messages, bool damageLastText = false) {
  BuiltMailbox built = BuilderOf(Messages(messages)).build();
  if (damageLastText) {
    const uint32_t block = built.blockOffsets.back().front();
    PutU32(built.bytes, block + 0x0C, block);  // the block points to itself
  }
  return built.bytes;
}

class BatchDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.addDirectory("/mail");
  }

  int run(const std::vector<std::string>& arguments) {
    return RunQuernel(arguments, files_, console_);
  }

  LocalZone zone_{"UTC"};
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

TEST_F(BatchDriverTest, MailboxCutInsideItsIndexIsDefectiveWithoutPhantomMessages) {
  // Ten messages in one root node, the file cut after the node's 4th entry.
  const BuiltMailbox built = BuilderOf(Messages(10)).build();
  const uint32_t fourthEntryEnd = built.nodeOffsets[0] + 0x18 + 4 * 12;
  files_.addFile("/mail/a.dbx", built.bytes.substr(0, fourthEntryEnd));
  files_.addFile("/mail/b.dbx", Mailbox(1));
  EXPECT_EQ(run({"-mbx", "-eml", "/mail/*.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "File \"a.dbx\" seems to be defective!\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "1 of 2 mailboxes converted to MBOXO-format!\n"
            "1 of 2 mailboxes converted to EML-format!\n");
  EXPECT_FALSE(files_.exists("/mail/a.mbx"));
  EXPECT_FALSE(files_.exists("/mail/a"));
}

TEST_F(BatchDriverTest, MailboxThatCannotBeReadGetsItsOwnLine) {
  files_.addFile("/mail/a.dbx", Mailbox(2));
  files_.addFile("/mail/b.dbx", Mailbox(1));
  files_.failOn(MemoryFileSystem::Operation::Read, "/mail/a.dbx", FileErrorCause::HardwareError);
  EXPECT_EQ(run({"-mbxrd", "/mail/*.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Unable to read mailbox \"a.dbx\" (hardware error)!\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "1 of 2 mailboxes converted to MBOXRD-format!\n");
}

TEST_F(BatchDriverTest, BadSectorInAMessageTextIsAReadFailureNotAFullDisk) {
  // Texts of 400 KiB, so that reading the first messages and the records
  // never comes near the bad byte in the middle of the fourth text.
  std::vector<TestMessage> messages = Messages(5);
  for (TestMessage& m : messages) m.text += std::string(400 * 1024, 'x') + "\r\n";
  const BuiltMailbox built = BuilderOf(messages).build();
  const std::vector<uint32_t>& fourth = built.blockOffsets[3];
  files_.addFile("/mail/a.dbx", built.bytes);
  files_.failReadAt("/mail/a.dbx", fourth[fourth.size() / 2] + 0x20, FileErrorCause::HardwareError);
  EXPECT_EQ(run({"-mbx", "-eml", "-ff", "/mail/a.dbx"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (5 messages)...\n"
            "Unable to read mailbox \"a.dbx\" (hardware error)!\n"
            "Unable to read mailbox \"a.dbx\" (hardware error)!\n"
            "0 of 1 mailboxes converted to MBOXO-format!\n"
            "0 of 1 mailboxes converted to EML-format!\n");
  // The messages before the bad one are written, in both formats.
  EXPECT_EQ(files_.contents("/mail/a.mbx")->find("Subject: 3"), std::string::npos);
  EXPECT_NE(files_.contents("/mail/a.mbx")->find("Subject: 2"), std::string::npos);
  EXPECT_TRUE(files_.exists("/mail/Unknown - message 2.eml"));
  EXPECT_FALSE(files_.exists("/mail/Unknown - message 3.eml"));
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

// The named output folder is made with its missing parents; one that cannot
// be made (a file stands in its way) gives the writers' line, as before.
TEST_F(BatchDriverTest, OutputFolderIsMadeWithItsParents) {
  files_.addFile("/mail/a.dbx", Mailbox(1));
  files_.addFile("/mail/file", "");
  EXPECT_EQ(run({"-mbx", "-eml", "-maildir", "/mail/a.dbx", "/new/deep/out"}), 0);
  EXPECT_TRUE(files_.exists("/new/deep/out/a.mbx"));
  EXPECT_TRUE(files_.exists("/new/deep/out/a/Unknown - message 0.eml"));
  EXPECT_TRUE(files_.exists("/new/deep/out/a/cur"));
  console_.clear();
  EXPECT_EQ(run({"-mbx", "/mail/a.dbx", "/mail/file/out"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Unable to open outputfile \"/mail/file/out/a.mbx\"!\n"
            "0 of 1 mailboxes converted to MBOXO-format!\n");
}

// Each mailbox is read in its own code page, and the one found from the
// messages is announced after the progress line. A text that cannot be read
// gives no evidence and is reported by the writer as before.
TEST_F(BatchDriverTest, EachMailboxGetsTheCodePageItsMessagesPointTo) {
  std::vector<LanguageMessage> russian = LanguageMailboxOf(1251).messages;
  russian.push_back(russian[1]);  // its text is damaged below
  DbxBuilder builder;
  for (const LanguageMessage& message : russian) builder.add(ToTestMessage(message));
  BuiltMailbox built = builder.build();
  const uint32_t block = built.blockOffsets.back().front();
  PutU32(built.bytes, block + 0x0C, block);
  files_.addFile("/mail/a.dbx", built.bytes);
  files_.addFile("/mail/b.dbx", Mailbox(1));
  EXPECT_EQ(run({"-eml$SUBJ$.eml", "-ff", "/mail/*.dbx", "/out"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"a.dbx\" (5 messages)...\n"
            "Mailbox \"a.dbx\" reads as code page 1251 (use -cp<N> to choose another)\n"
            "File \"a.dbx\" seems to be defective!\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "1 of 2 mailboxes converted to EML-format!\n");
  EXPECT_EQ(files_.listFiles(),
            (std::vector<std::string>{"/mail/a.dbx", "/mail/b.dbx", "/out/Re Отчёт за май.eml",
                                      "/out/message 0.eml", "/out/Отчёт за май.eml",
                                      "/out/Привет, мир(1).eml", "/out/Привет, мир.eml"}));
}

}  // namespace
}  // namespace quernel::testing
