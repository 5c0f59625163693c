#include "dbx/folder_list.h"

#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "reader_harness.h"
#include "support/folder_list_builder.h"

namespace quernel::testing {
namespace {

FolderListFile ReadBytes(const std::string& bytes) {
  StringInputFile file(bytes, "/store/Folders.dbx");
  return ReadFolderList(file);
}

TEST(FolderListTest, EveryPropertyInDirectAndIndirectForm) {
  for (bool indirect : {false, true}) {
    const TestFolder folder{.id = 17, .parent = 0xFFFFFFFF, .accountKind = 1, .specialFolder = 3,
                            .messageCount = 120, .unreadCount = 7, .flags = 0x2A,
                            .name = "Gel\xF6schte Objekte", .fileName = "Gel\xF6schte Objekte.dbx",
                            .accountKey = "00000001", .indirectNumbers = indirect};
    const FolderListFile list = ReadBytes(BuildFolderList({folder, TestFolder{}}).bytes);
    ASSERT_EQ(list.status, MailboxStatus::FolderList);
    ASSERT_EQ(list.folders.size(), 2u);
    const FolderRecord& f = list.folders[0];
    EXPECT_EQ(f.id, 17u) << indirect;
    EXPECT_EQ(f.parentId, 0xFFFFFFFFu);  // too wide for the direct form: stored indirect
    EXPECT_EQ(f.accountKind, 1u);
    EXPECT_EQ(f.specialFolder, 3u);
    EXPECT_EQ(f.messageCount, 120u);
    EXPECT_EQ(f.unreadCount, 7u);
    EXPECT_EQ(f.flags, 0x2Au);
    // Strings stay the stored bytes: converting them is the caller's choice.
    EXPECT_EQ(f.name, "Gel\xF6schte Objekte");
    EXPECT_EQ(f.fileName, "Gel\xF6schte Objekte.dbx");
    EXPECT_EQ(f.accountKey, "00000001");
    // A record without properties: a missing count is no count of 0, and a
    // missing kind no news account.
    const FolderRecord& bare = list.folders[1];
    EXPECT_EQ(bare.id, 0u);
    EXPECT_EQ(bare.parentId, 0u);
    EXPECT_EQ(bare.name, "");
    EXPECT_FALSE(bare.messageCount.has_value());
    EXPECT_FALSE(bare.accountKind.has_value());
  }
}

TEST(FolderListTest, LaterEntryWinsDirectStringsAreIgnoredAndRecordsCountOnce) {
  TestMessage record = FolderRecordMessage({.id = 5, .name = "first"});
  record.extraProperties.push_back({dbx::kFolderName, std::string("second\0", 7)});
  record.extraProperties.push_back({dbx::kFolderFileName | dbx::kDirectPropertyBit, "\x10\0\0"});
  record.extraProperties.push_back({dbx::kFolderId | dbx::kDirectPropertyBit, "\x06\0\0"});
  DbxBuilder builder;
  builder.signature(FolderListSignature()).add(record);
  builder.tree({{}, {{0, {}}, {0, {}}}});  // the index names the record twice
  const FolderListFile list = ReadBytes(builder.build().bytes);
  ASSERT_EQ(list.folders.size(), 1u);
  EXPECT_EQ(list.folders[0].name, "second");
  EXPECT_EQ(list.folders[0].fileName, "");
  EXPECT_EQ(list.folders[0].id, 6u);
}

TEST(FolderListTest, OtherFilesAndEmptyListsGiveNoFolders) {
  DbxBuilder mailbox, emptyList;
  mailbox.add(WithSubject("a message"));
  emptyList.signature(FolderListSignature()).headerEntryCount(0).add(FolderRecordMessage({.id = 1}));
  // A mailbox of messages in the folder list's place is told by its
  // signature alone: its damaged index is never walked.
  std::string damagedMailbox = mailbox.build().bytes;
  PutU32(damagedMailbox, dbx::kHeaderRootNode, 0x7FFFFFF0);
  const struct {
    std::string bytes;
    MailboxStatus status;
  } cases[] = {
      {mailbox.build().bytes, MailboxStatus::Valid},
      {damagedMailbox, MailboxStatus::Valid},
      {emptyList.build().bytes, MailboxStatus::FolderList},
      {OldVersionSignature() + std::string(0x100, '\0'), MailboxStatus::OldVersion},
      {"not a store at all", MailboxStatus::Unrecognised},
  };
  for (const auto& c : cases) {
    const FolderListFile list = ReadBytes(c.bytes);
    EXPECT_EQ(list.status, c.status);
    EXPECT_TRUE(list.folders.empty());
  }
}

TEST(FolderListTest, DamageRaisesFileError) {
  const BuiltMailbox good = BuildFolderList({{.id = 1, .parent = 2, .name = "A", .indirectNumbers = true}});
  const uint64_t firstEntry = good.recordOffsets[0] + dbx::kRecordProperties;
  const uint64_t root = good.nodeOffsets[0];
  const struct {
    const char* what;
    std::vector<std::pair<uint64_t, uint32_t>> patches;  // (offset, u32)
    FileErrorCause cause;
  } cases[] = {
      {"index root beyond the end", {{dbx::kHeaderRootNode, 0x7FFFFFF0}},
       FileErrorCause::OffsetOutOfRange},
      // Entries: id, parent, name; each u24 value is where its data lies.
      {"number data beyond the end", {{firstEntry, 0xFFFFFF00 | dbx::kFolderId}},
       FileErrorCause::OffsetOutOfRange},
      {"string data beyond the end", {{firstEntry + 8, 0xFFFFFF00 | dbx::kFolderName}},
       FileErrorCause::OffsetOutOfRange},
      {"index node that is its own first child",
       {{root + dbx::kNodeFirstChild, static_cast<uint32_t>(root)}, {root + dbx::kNodeFirstChildValues, 1}},
       FileErrorCause::Unspecified},
  };
  for (const auto& c : cases) {
    std::string bytes = good.bytes;
    for (const auto& [offset, value] : c.patches) PutU32(bytes, offset, value);
    EXPECT_EQ(FileErrorOf([&] { ReadBytes(bytes); }), c.cause) << c.what;
  }
}

}  // namespace
}  // namespace quernel::testing
