// A mailbox grown past 2 GiB, written sparse under /dev/shm: offsets above
// 2^31 are read as the unsigned numbers they are, by the reader and by the
// salvage scan alike.

#include <gtest/gtest.h>

#include "../platform/temporary_folder.h"
#include "platform/host.h"
#include "salvage_harness.h"

namespace quernel::testing {
namespace {

TEST(SalvageSparseTest, MessagesAbove2GiBAreReadAndFound) {
  TemporaryFolder folder;
  const std::string path = folder.path() + "/Large.dbx";
  std::vector<TestMessage> messages = {RecordedMessage("low", 300), RecordedMessage("high", 1500),
                                       RecordedMessage("unlisted", 700), RecordedMessage("deleted", 900),
                                       RecordedMessage("last", 50)};
  messages[2].inIndex = false;
  messages[3].deleted = true;
  {
    DbxStreamWriter writer(path);
    writer.add(messages[0]);
    writer.skipTo((uint64_t{1} << 31) + 12345);
    for (size_t k = 1; k < messages.size(); ++k) writer.add(messages[k]);
    writer.finish();
  }
  const std::unique_ptr<FileSystem> files = MakeNativeFileSystem();
  const std::unique_ptr<InputFile> file = files->openInput(path);
  ASSERT_GT(file->length(), uint64_t{1} << 31);
  const MailboxReader reader(*file, SystemHost().calendar);
  ASSERT_EQ(reader.messageCount(), 3);
  EXPECT_EQ(reader.messageText(1), messages[1].text);
  EXPECT_EQ(reader.subject(2), "last");
  Salvage salvage(*file, IndexedStarts(reader), SystemHost().calendar);
  EXPECT_EQ(FoundTexts(salvage, FoundKind::Recovered), std::vector<std::string>{messages[2].text});
  EXPECT_EQ(FoundTexts(salvage, FoundKind::Deleted), std::vector<std::string>{AsDeleted(messages[3].text)});
  ASSERT_EQ(salvage.messages().size(), 2u);
  EXPECT_GT(salvage.messages()[0].textStart, uint32_t{1} << 31);
  EXPECT_EQ(salvage.fields(salvage.messages()[0]).subject, "unlisted");
}

}  // namespace
}  // namespace quernel::testing
