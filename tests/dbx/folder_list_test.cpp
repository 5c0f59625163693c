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

TestFolder EveryProperty(bool indirect) {
  return {.id = 17, .parent = 4, .accountKind = 1, .specialFolder = 3, .messageCount = 120,
          .unreadCount = 7, .flags = 0x2A, .name = "Gel\xF6schte Objekte",
          .fileName = "Gel\xF6schte Objekte.dbx", .accountKey = "00000001",
          .indirectNumbers = indirect};
}

TEST(FolderListTest, EveryPropertyInDirectAndIndirectForm) {
  for (bool indirect : {false, true}) {
    const FolderListFile list = ReadBytes(BuildFolderList({EveryProperty(indirect)}).bytes);
    ASSERT_EQ(list.status, MailboxStatus::FolderList);
    ASSERT_EQ(list.folders.size(), 1u);
    const FolderRecord& f = list.folders[0];
    EXPECT_EQ(f.id, 17u) << indirect;
    EXPECT_EQ(f.parentId, 4u);
    EXPECT_EQ(f.accountKind, 1u);
    EXPECT_EQ(f.specialFolder, 3u);
    EXPECT_EQ(f.messageCount, 120u);
    EXPECT_EQ(f.unreadCount, 7u);
    EXPECT_EQ(f.flags, 0x2Au);
    // Strings stay the stored bytes: converting them is the caller's choice.
    EXPECT_EQ(f.name, "Gel\xF6schte Objekte");
    EXPECT_EQ(f.fileName, "Gel\xF6schte Objekte.dbx");
    EXPECT_EQ(f.accountKey, "00000001");
  }
}

TEST(FolderListTest, AbsentPropertiesTakeTheirDefaults) {
  const FolderListFile list = ReadBytes(BuildFolderList({TestFolder{}}).bytes);
  ASSERT_EQ(list.folders.size(), 1u);
  const FolderRecord& f = list.folders[0];
  EXPECT_EQ(f.id, 0u);
  EXPECT_EQ(f.parentId, 0u);
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.fileName, "");
  EXPECT_FALSE(f.messageCount.has_value());  // a missing count is no count of 0
  EXPECT_FALSE(f.unreadCount.has_value());
  EXPECT_FALSE(f.accountKind.has_value());  // and no kind is no news account
  EXPECT_EQ(f.specialFolder, 0u);
}

TEST(FolderListTest, RootParentDoesNotFitTheDirectFormAndIsReadWhole) {
  const FolderListFile list = ReadBytes(BuildFolderList(RealStoreFolders()).bytes);
  ASSERT_EQ(list.folders.size(), 8u);
  EXPECT_EQ(list.folders[0].parentId, dbx::kRootFolderParent);
  EXPECT_EQ(list.folders[0].accountKind, kAccountRoot);
  EXPECT_EQ(list.folders[2].fileName, "Inbox.dbx");
  EXPECT_EQ(list.folders[7].name, "Hotmail");
}

TEST(FolderListTest, LaterEntryWinsAndDirectStringsAreIgnored) {
  TestMessage record = FolderRecordMessage({.id = 5, .name = "first"});
  record.extraProperties.push_back({dbx::kFolderName, std::string("second\0", 7)});
  record.extraProperties.push_back({dbx::kFolderFileName | dbx::kDirectPropertyBit, "\x10\0\0"});
  record.extraProperties.push_back({dbx::kFolderId | dbx::kDirectPropertyBit, "\x06\0\0"});
  DbxBuilder builder;
  builder.signature(FolderListSignature()).add(record);
  const FolderListFile list = ReadBytes(builder.build().bytes);
  ASSERT_EQ(list.folders.size(), 1u);
  EXPECT_EQ(list.folders[0].name, "second");
  EXPECT_EQ(list.folders[0].fileName, "");
  EXPECT_EQ(list.folders[0].id, 6u);
}

TEST(FolderListTest, RecordListedTwiceIsOneFolder) {
  DbxBuilder builder;
  builder.signature(FolderListSignature());
  builder.add(FolderRecordMessage({.id = 1, .name = "A"}));
  builder.add(FolderRecordMessage({.id = 2, .name = "B"}));
  builder.tree({{}, {{0, {}}, {1, {}}, {0, {}}}});
  const FolderListFile list = ReadBytes(builder.build().bytes);
  ASSERT_EQ(list.folders.size(), 2u);
  EXPECT_EQ(list.folders[0].name, "A");
  EXPECT_EQ(list.folders[1].name, "B");
}

TEST(FolderListTest, OtherFilesGiveTheirStatusAndNoFolders) {
  DbxBuilder mailbox;
  mailbox.add(WithSubject("a message"));
  const struct {
    std::string bytes;
    MailboxStatus status;
  } cases[] = {
      {mailbox.build().bytes, MailboxStatus::Valid},
      {OldVersionSignature() + std::string(0x100, '\0'), MailboxStatus::OldVersion},
      {"not a store at all", MailboxStatus::Unrecognised},
      {"", MailboxStatus::Unrecognised},
  };
  for (const auto& c : cases) {
    const FolderListFile list = ReadBytes(c.bytes);
    EXPECT_EQ(list.status, c.status);
    EXPECT_TRUE(list.folders.empty());
  }
}

TEST(FolderListTest, ZeroEntryCountMeansNoFolders) {
  DbxBuilder builder;
  builder.signature(FolderListSignature()).headerEntryCount(0);
  builder.add(FolderRecordMessage({.id = 1, .name = "A"}));
  const FolderListFile list = ReadBytes(builder.build().bytes);
  EXPECT_EQ(list.status, MailboxStatus::FolderList);
  EXPECT_TRUE(list.folders.empty());
}

TEST(FolderListTest, DamageRaisesFileError) {
  const BuiltMailbox good = BuildFolderList({{.id = 1, .parent = 0x123456, .name = "A",
                                              .indirectNumbers = true}});
  const uint64_t firstEntry = good.recordOffsets[0] + dbx::kRecordProperties;
  const uint64_t root = good.nodeOffsets[0];
  struct Case {
    const char* what;
    std::vector<std::pair<uint64_t, uint32_t>> patches;  // (offset, u32)
    FileErrorCause cause;
  };
  const Case cases[] = {
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
  for (const Case& c : cases) {
    std::string bytes = good.bytes;
    for (const auto& [offset, value] : c.patches) PutU32(bytes, offset, value);
    EXPECT_EQ(FileErrorOf([&] { ReadBytes(bytes); }), c.cause) << c.what;
  }
}

}  // namespace
}  // namespace quernel::testing
