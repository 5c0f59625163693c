#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "platform/host.h"
#include "reader_harness.h"
#include "support/local_zone.h"

namespace quernel::testing {
namespace {

std::string Padded(std::string start, size_t size = 0x300) {
  start.resize(std::max(size, start.size()), '\0');
  return start;
}

std::string Words(uint32_t s0, uint32_t s1, uint32_t s2, uint32_t s3) {
  std::string bytes;
  PutU32(bytes, 0, s0);
  PutU32(bytes, 4, s1);
  PutU32(bytes, 8, s2);
  PutU32(bytes, 12, s3);
  return bytes;
}

struct StatusCase {
  const char* name;
  std::string bytes;
  MailboxStatus expected;
};

TEST(MailboxStatusTest, SignaturesClassifyTheFile) {
  using namespace dbx;
  const std::vector<StatusCase> cases = {
      {"mailbox", Padded(MailboxSignature()), MailboxStatus::Valid},
      {"folder list", Padded(FolderListSignature()), MailboxStatus::FolderList},
      {"folder list word 2 differs",
       Padded(Words(kSignatureMagic, kSignatureFolders, 0, kSignatureWord3)), MailboxStatus::Unrecognised},
      {"mailbox word 3 differs",
       Padded(Words(kSignatureMagic, kSignatureMessages, kSignatureWord2, 1)), MailboxStatus::Unrecognised},
      {"other S1", Padded(Words(kSignatureMagic, 0x6F74FDC7, kSignatureWord2, kSignatureWord3)),
       MailboxStatus::Unrecognised},
      {"old version, any S2 S3", Padded(Words(kOldVersionMagic, kOldVersionWord1, 0xDEADBEEF, 7)),
       MailboxStatus::OldVersion},
      {"JMF6 with another S1", Padded(Words(kOldVersionMagic, 0x00010004, 0, 0)), MailboxStatus::Unrecognised},
      {"text file", "From: someone\r\nSubject: not a mailbox\r\n", MailboxStatus::Unrecognised},
      {"empty file", "", MailboxStatus::Unrecognised},
      {"15 bytes of a mailbox signature", MailboxSignature().substr(0, 15), MailboxStatus::Unrecognised},
  };
  for (const StatusCase& c : cases) {
    ReaderOver opened(c.bytes);
    EXPECT_EQ(opened.reader.status(), c.expected) << c.name;
    if (c.expected != MailboxStatus::Valid) {
      EXPECT_EQ(opened.reader.messageCount(), 0) << c.name;
    }
  }
}

TEST(MailboxStatusTest, NonMailboxIsNotReadBeyondItsSignature) {
  // A folder list whose root points far beyond the end would fail if walked.
  std::string bytes = Padded(FolderListSignature());
  PutU32(bytes, dbx::kHeaderEntryCount, 5);
  PutU32(bytes, dbx::kHeaderRootNode, 0x7FFFFFFF);
  ReaderOver opened(bytes);
  EXPECT_EQ(opened.reader.status(), MailboxStatus::FolderList);
  EXPECT_EQ(opened.reader.messageCount(), 0);
}

TEST(MailboxStatusTest, ZeroEntryCountSkipsTheTreeWhateverTheRoot) {
  DbxBuilder builder;
  builder.add(WithSubject("never listed"));
  builder.headerEntryCount(0);
  std::string bytes = builder.build().bytes;
  ReaderOver opened(bytes);
  EXPECT_EQ(opened.reader.status(), MailboxStatus::Valid);
  EXPECT_EQ(opened.reader.messageCount(), 0);

  PutU32(bytes, dbx::kHeaderRootNode, 0xFFFFFFF0);  // would be out of range
  EXPECT_EQ(ReaderOver(bytes).reader.messageCount(), 0);
}

TEST(MailboxStatusTest, HeaderCutOffBeforeTheEntryCountIsAnEmptyMailbox) {
  for (size_t size : {size_t{16}, size_t{0x40}, size_t{0xC4}}) {
    ReaderOver opened(Padded(MailboxSignature(), size));
    EXPECT_EQ(opened.reader.status(), MailboxStatus::Valid) << size;
    EXPECT_EQ(opened.reader.messageCount(), 0) << size;
  }
}

TEST(MailboxStatusTest, PathAndTimeComeFromTheFile) {
  LocalZone zone("Europe/Berlin");
  StringInputFile file(Padded(MailboxSignature()), "/home/anna/mail/Sent Items.dbx");
  MailboxReader reader(file, SystemHost().calendar);
  EXPECT_EQ(reader.mailboxPath(), "/home/anna/mail/Sent Items.dbx");
  EXPECT_EQ(reader.mailboxFileTime(), 0);  // unknown
  file.setLastWriteTime(FileTimeFromUnix(1136073600));
  EXPECT_EQ(reader.mailboxFileTime(), 1136073600);
  file.setLastWriteTime(FileTimeFromUnix(int64_t{1} << 32));  // beyond 2038
  EXPECT_EQ(reader.mailboxFileTime(), -1);
  file.setPath("Inbox.dbx");
  EXPECT_EQ(reader.mailboxPath(), "Inbox.dbx");
}

}  // namespace
}  // namespace quernel::testing
