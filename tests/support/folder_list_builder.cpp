#include "support/folder_list_builder.h"

#include "dbx/folder_list.h"
#include "dbx/layout.h"

namespace quernel::testing {

namespace {

using namespace quernel::dbx;

std::string LittleEndian32(uint32_t value) {
  std::string bytes;
  PutU32(bytes, 0, value);
  return bytes;
}

void AddNumber(TestMessage& record, uint8_t id, std::optional<uint32_t> value, bool indirect) {
  if (!value) return;
  if (indirect || *value > 0xFFFFFF) {
    record.extraProperties.push_back({id, LittleEndian32(*value)});
  } else {
    record.extraProperties.push_back({static_cast<uint8_t>(id | kDirectPropertyBit),
                                      LittleEndian32(*value).substr(0, 3)});
  }
}

void AddString(TestMessage& record, uint8_t id, const std::optional<std::string>& value) {
  if (value) record.extraProperties.push_back({id, *value + '\0'});
}

}  // namespace

TestMessage FolderRecordMessage(const TestFolder& folder) {
  TestMessage record;
  record.textLink = TextLink::None;
  const bool indirect = folder.indirectNumbers;
  AddNumber(record, kFolderId, folder.id, indirect);
  AddNumber(record, kFolderParent, folder.parent, indirect);
  AddString(record, kFolderName, folder.name);
  AddString(record, kFolderFileName, folder.fileName);
  AddString(record, kFolderAccountKey, folder.accountKey);
  AddNumber(record, kFolderFlags, folder.flags, indirect);
  AddNumber(record, kFolderMessageCount, folder.messageCount, indirect);
  AddNumber(record, kFolderUnreadCount, folder.unreadCount, indirect);
  AddNumber(record, kFolderSpecial, folder.specialFolder, indirect);
  AddNumber(record, kFolderAccountKind, folder.accountKind, indirect);
  return record;
}

BuiltMailbox BuildFolderList(const std::vector<TestFolder>& folders) {
  DbxBuilder builder;
  builder.signature(FolderListSignature());
  for (const TestFolder& folder : folders) builder.add(FolderRecordMessage(folder));
  return builder.build();
}

std::vector<TestFolder> RealStoreFolders() {
  TestFolder root{.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot,
                  .name = "Outlook Express"};
  TestFolder local{.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders",
                   .accountKey = "LocalStore"};
  std::vector<TestFolder> folders = {root, local};
  const char* special[] = {"Inbox", "Outbox", "Sent Items", "Deleted Items", "Drafts"};
  for (uint32_t k = 0; k < 5; ++k) {
    TestFolder f{.id = 2 + k, .parent = 1, .specialFolder = k + 1, .name = special[k]};
    if (k < 2) {
      f.fileName = std::string(special[k]) + ".dbx";
      f.messageCount = 3 - k;
    }
    folders.push_back(f);
  }
  folders.push_back({.id = 9, .accountKind = kAccountWebMail, .name = "Hotmail", .accountKey = "00000002"});
  return folders;
}

}  // namespace quernel::testing
