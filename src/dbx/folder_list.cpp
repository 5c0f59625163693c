#include "dbx/folder_list.h"

#include <unordered_set>

#include "dbx/index_tree.h"
#include "dbx/layout.h"
#include "dbx/message_record.h"

namespace quernel {

using namespace dbx;

namespace {

// A number may be stored in the entry itself or in the data area.
uint32_t NumberOf(const PropertyEntry& entry, RecordReader& records) {
  return (entry.id & kDirectPropertyBit) ? entry.value : records.readNumber(entry.data);
}

// Later entries of the same id replace earlier ones, as in message records.
void Apply(const PropertyEntry& entry, RecordReader& records, FolderRecord& folder) {
  const uint8_t id = static_cast<uint8_t>(entry.id & ~kDirectPropertyBit);
  const bool direct = (entry.id & kDirectPropertyBit) != 0;
  switch (id) {
    case kFolderId: folder.id = NumberOf(entry, records); break;
    case kFolderParent: folder.parentId = NumberOf(entry, records); break;
    case kFolderFlags: folder.flags = NumberOf(entry, records); break;
    case kFolderMessageCount: folder.messageCount = NumberOf(entry, records); break;
    case kFolderUnreadCount: folder.unreadCount = NumberOf(entry, records); break;
    case kFolderSpecial: folder.specialFolder = NumberOf(entry, records); break;
    case kFolderAccountKind: folder.accountKind = NumberOf(entry, records); break;
    // A string has no direct form: a direct entry of these ids is ignored.
    case kFolderName: if (!direct) folder.name = records.readString(entry.data); break;
    case kFolderFileName: if (!direct) folder.fileName = records.readString(entry.data); break;
    case kFolderAccountKey: if (!direct) folder.accountKey = records.readString(entry.data); break;
    default: break;
  }
}

FolderRecord ReadFolderRecord(FileWindow& window, RecordReader& records, uint32_t offset) {
  FolderRecord folder;
  for (const PropertyEntry& entry : ReadPropertyEntries(window, offset)) {
    Apply(entry, records, folder);
  }
  return folder;
}

}  // namespace

FolderListFile ReadFolderList(InputFile& file) {
  FolderListFile list;
  // Only the signature: a mailbox of messages in its place is not loaded.
  list.status = ClassifyMailboxFile(file);
  if (list.status != MailboxStatus::FolderList) return list;
  FileWindow window(file);
  if (window.u32(kHeaderEntryCount) == 0) return list;
  RecordReader records(window);
  std::unordered_set<uint32_t> seen;
  for (uint32_t offset : ReadIndexTree(window, window.u32(kHeaderRootNode))) {
    if (seen.insert(offset).second) list.folders.push_back(ReadFolderRecord(window, records, offset));
  }
  return list;
}

}  // namespace quernel
