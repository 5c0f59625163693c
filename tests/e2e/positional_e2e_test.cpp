// How several positional arguments are read. A Linux shell expands "*.dbx"
// before quernel sees it, so quernel takes every name but the last as an
// input, and the last as the output directory unless it cannot be one.

#include <sys/stat.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

std::string OneMessageMailbox() {
  DbxBuilder builder;
  TestMessage message;
  message.text = "Subject: hi\r\n\r\nhello\r\n";
  message.senderAddress = "a@example.com";
  builder.add(message);
  return builder.build().bytes;
}

class SeveralNames : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TargetIsWindows()) GTEST_SKIP() << "Windows reads one input and one output directory";
    WriteFile(dir_ / "a.dbx", OneMessageMailbox());
    WriteFile(dir_ / "b.dbx", OneMessageMailbox());
    ASSERT_EQ(mkdir((dir_ / "out").c_str(), 0777), 0);
  }
  ScratchDir dir_;
};

TEST_F(SeveralNames, LastNameIsTheOutputDirectory) {
  ProcessResult result = RunQuernelProcess({"-mbx", "a.dbx", "b.dbx", "out"}, dir_.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "2 of 2 mailboxes converted to MBOXO-format!\n");
  EXPECT_EQ(ListDirectory(dir_ / "out"), (std::vector<std::string>{"a.mbx", "b.mbx"}));
}

TEST_F(SeveralNames, ExistingFileAtTheEndIsAnInputToo) {
  ProcessResult result = RunQuernelProcess({"-mbx", "a.dbx", "b.dbx"}, dir_.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "2 of 2 mailboxes converted to MBOXO-format!\n");
  EXPECT_TRUE(FileExists(dir_ / "a.mbx"));
  EXPECT_TRUE(FileExists(dir_ / "b.mbx"));
}

TEST_F(SeveralNames, PatternAtTheEndIsAnInput) {
  ProcessResult result = RunQuernelProcess({"-mbx", "a.dbx", "b*.dbx"}, dir_.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "2 of 2 mailboxes converted to MBOXO-format!\n");
}

TEST_F(SeveralNames, FileNamedTwiceIsConvertedAndCountedOnce) {
  ProcessResult result = RunQuernelProcess({"-mbx", "a.dbx", "*.dbx", "out"}, dir_.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "2 of 2 mailboxes converted to MBOXO-format!\n");
}

TEST_F(SeveralNames, PatternMatchesInByteOrderAndCaseSensitively) {
  WriteFile(dir_ / "B.dbx", OneMessageMailbox());
  WriteFile(dir_ / "c.DBX", OneMessageMailbox());
  ProcessResult result = RunQuernelProcess({"-mbx", "*.dbx", "out"}, dir_.path());
  EXPECT_EQ(result.out,
            "Processing mailbox \"B.dbx\" (1 messages)...\n"
            "Processing mailbox \"a.dbx\" (1 messages)...\n"
            "Processing mailbox \"b.dbx\" (1 messages)...\n"
            "3 of 3 mailboxes converted to MBOXO-format!\n");
}

}  // namespace
}  // namespace quernel::testing
