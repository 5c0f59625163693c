// A mailbox whose messages, index and texts lie above 2 GiB: every offset
// the format stores is an unsigned 32-bit value, and real mailboxes grow to
// 4 GiB. The file is sparse, so it takes a few kilobytes of /dev/shm.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cli/quernel_main.h"
#include "dbx/mailbox_reader.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/temporary_folder.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

TestMessage Letter(const std::string& subject) {
  TestMessage m;
  m.subject = subject;
  m.senderAddress = subject + "@example.org";
  m.text = "Subject: " + subject + "\r\n\r\n" + std::string(1500, 'x') + "\r\nFrom here\r\n";
  return m;
}

class OffsetsBeyond2GiB : public ::testing::Test {
 protected:
  void SetUp() override {
    DbxStreamWriter writer(path_);
    writer.add(Letter("low"));
    writer.skipTo(0x80000010);  // just above 2^31
    writer.add(Letter("high"));
    writer.skipTo(0xFFFF0000);  // near the end of what 32 bits reach
    writer.add(Letter("top"));
    writer.finish();  // the index nodes, after the last message
    struct stat status;
    ASSERT_EQ(stat(path_.c_str(), &status), 0);
    if (static_cast<uint64_t>(status.st_blocks) * 512 > (uint64_t{64} << 20)) {
      GTEST_SKIP() << "the file system under " << folder_.path() << " does not keep holes";
    }
  }

  TemporaryFolder folder_;
  const std::string path_ = folder_.path() + "/Big.dbx";
};

TEST_F(OffsetsBeyond2GiB, TheReaderFindsEveryMessage) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  std::unique_ptr<InputFile> input = files->openInput(path_);
  ASSERT_GT(input->length(), uint64_t{0xFFFF0000});
  MailboxReader reader(*input, SystemHost().calendar);
  ASSERT_EQ(reader.messageCount(), 3);
  EXPECT_GT(reader.recordOffset(1), 0x80000000u);
  EXPECT_GT(reader.recordOffset(2), 0xFFFF0000u);
  const char* subjects[] = {"low", "high", "top"};
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(reader.subject(i), subjects[i]);
    EXPECT_EQ(reader.senderAddress(i), std::string(subjects[i]) + "@example.org");
    EXPECT_EQ(reader.messageText(i), Letter(subjects[i]).text);
  }
}

TEST_F(OffsetsBeyond2GiB, TheDefaultConversionWritesEveryMessage) {
  std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  StringConsole console;
  EXPECT_EQ(RunQuernel({path_}, *files, console), 0);
  EXPECT_EQ(console.text(),
            "No conversion options selected, using MBOXO-converter...\n"
            "Processing mailbox \"Big.dbx\" (3 messages)...\n"
            "1 of 1 mailboxes converted to MBOXO-format!\n");
  std::unique_ptr<InputFile> mbox = files->openInput(folder_.path() + "/Big.mbx");
  std::string bytes(mbox->length(), '\0');
  ASSERT_EQ(mbox->readAt(0, bytes.data(), bytes.size()), bytes.size());
  for (const char* subject : {"low", "high", "top"}) {
    EXPECT_NE(bytes.find(std::string("From ") + subject + "@example.org "), std::string::npos) << subject;
    EXPECT_NE(bytes.find(std::string("Subject: ") + subject + "\r\n"), std::string::npos) << subject;
  }
  EXPECT_NE(bytes.find("\r\n>From here\r\n"), std::string::npos);  // quoted as mboxo quotes
}

}  // namespace
}  // namespace quernel::testing
