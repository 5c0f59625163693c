#pragma once
// The folder list of an Outlook Express store (Folders.dbx): one record per
// folder, with its id, its parent's id, its display name and the file that
// holds its messages. The file has the index tree of a mailbox; its values
// are the offsets of folder records, laid out like message records.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/file_system.h"

namespace quernel {

// Account kinds of property 0x0A.
inline constexpr uint32_t kAccountNews = 0;
inline constexpr uint32_t kAccountImap = 1;
inline constexpr uint32_t kAccountWebMail = 2;
inline constexpr uint32_t kAccountLocalStore = 3;
inline constexpr uint32_t kAccountRoot = 4;

// One folder record. Strings are the bytes the list stores, in the code page
// of the Windows that wrote it; a CodePageConverter makes names of them.
struct FolderRecord {
  uint32_t id = 0;        // absent: 0, the root's id
  uint32_t parentId = 0;  // absent: 0; the root's is 0xFFFFFFFF
  std::string name;        // display name
  std::string fileName;    // name of its .dbx file; empty: none
  std::string accountKey;  // "LocalStore" for the local store
  uint32_t flags = 0;
  std::optional<uint32_t> messageCount;  // real lists leave it out when 0
  std::optional<uint32_t> unreadCount;
  uint32_t specialFolder = 0;  // 1 Inbox, 2 Outbox, 3 Sent Items, 4 Deleted Items, 5 Drafts
  std::optional<uint32_t> accountKind;
};

struct FolderListFile {
  MailboxStatus status = MailboxStatus::Unrecognised;
  std::vector<FolderRecord> folders;  // in index order; empty unless FolderList
};

// Reads the folder list. A file with another signature gives its status and
// no folders. A record that the index names twice is one folder. Raises
// FileError for a damaged index tree, a property whose data lies at or
// beyond the end of the file, or strings that add up to more than the file.
FolderListFile ReadFolderList(InputFile& file);

}  // namespace quernel
