#pragma once
// Folder lists (Folders.dbx) for tests, written with the test-mailbox
// builder: each folder is a record laid out like a message record, listed by
// the index tree in the order given, so children may come before parents.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/dbx_builder.h"

namespace quernel::testing {

struct TestFolder {
  // Numbers; nullopt: the property is left out.
  std::optional<uint32_t> id = std::nullopt;
  std::optional<uint32_t> parent = std::nullopt;
  std::optional<uint32_t> accountKind = std::nullopt;
  std::optional<uint32_t> specialFolder = std::nullopt;
  std::optional<uint32_t> messageCount = std::nullopt;
  std::optional<uint32_t> unreadCount = std::nullopt;
  std::optional<uint32_t> flags = std::nullopt;
  // Strings as stored (Windows-1252 bytes); nullopt: absent.
  std::optional<std::string> name = std::nullopt;
  std::optional<std::string> fileName = std::nullopt;
  std::optional<std::string> accountKey = std::nullopt;
  // Numbers go into the record's entries (ids with bit 0x80) unless this is
  // set or they do not fit in 24 bits; then into the data area.
  bool indirectNumbers = false;
};

// The record of one folder, as the test-mailbox builder's message.
TestMessage FolderRecordMessage(const TestFolder& folder);

// A folder list holding `folders` in this order.
BuiltMailbox BuildFolderList(const std::vector<TestFolder>& folders);

// The folder list of a real store: the root "Outlook Express" (kind 4),
// "Local Folders" (id 1, kind 3) with Inbox, Outbox, Sent Items, Deleted
// Items and Drafts (special 1 to 5; only Inbox.dbx and Outbox.dbx named with
// message counts) and a web-mail account "Hotmail" (id 9, kind 2) with no
// parent entry and no file.
std::vector<TestFolder> RealStoreFolders();

}  // namespace quernel::testing
