#include "dbx/store_tree.h"

#include <gtest/gtest.h>

#include "dbx/store_files.h"
#include "platform/host.h"
#include "support/folder_list_builder.h"
#include "support/string_input_file.h"
#include "support/test_code_page.h"

namespace quernel::testing {
namespace {

StoreTree Build(const std::vector<TestFolder>& folders, const std::vector<std::string>& entries) {
  StringInputFile file(BuildFolderList(folders).bytes, "/store/Folders.dbx");
  return BuildStoreTree(ReadFolderList(file).folders, entries, Windows1252TestConverter(), SystemHost().text);
}

// "name <- file" per folder, "  " per level of nesting; "*" marks a file no
// folder names.
std::vector<std::string> Describe(const StoreTree& store) {
  std::vector<std::string> lines;
  std::vector<size_t> depth(store.folders.size(), 0);
  for (size_t i = 0; i < store.folders.size(); ++i) {
    const StoreFolder& f = store.folders[i];
    if (f.parent != StoreTree::kTopLevel) depth[i] = depth[f.parent] + 1;
    std::string line(2 * depth[i], ' ');
    line += (f.listed ? "" : "*") + f.name;
    if (!f.mailboxFile.empty()) line += " <- " + f.mailboxFile;
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

TEST(StoreTreeTest, RealStoreKeepsTheLocalFoldersWholeAndLeavesOutTheEmptyAccount) {
  const StoreTree store = Build(RealStoreFolders(), {"Inbox.dbx", "Outbox.dbx", "Folders.dbx",
                                                     "Pop3uidl.dbx", "Offline.dbx", "Cleanup.log"});
  EXPECT_EQ(Describe(store), (Lines{"Local Folders", "  Inbox <- Inbox.dbx", "  Outbox <- Outbox.dbx",
                                    "  Sent Items", "  Deleted Items", "  Drafts"}));
  EXPECT_EQ(store.folders[1].messageCount, 3u);
  EXPECT_EQ(store.folders[1].specialFolder, 1u);
  EXPECT_FALSE(store.folders[3].messageCount.has_value());
}

TEST(StoreTreeTest, WhichFoldersAreIncluded) {
  const struct {
    const char* what;
    std::vector<TestFolder> folders;
    std::vector<std::string> entries;
    Lines expected;
  } cases[] = {
      {"a news account with many groups, two of them opened",
       [] {
         std::vector<TestFolder> f{{.id = 20, .parent = 0, .accountKind = kAccountNews, .name = "news.example.org"}};
         for (uint32_t k = 0; k < 500; ++k) {
           TestFolder group{.id = 100 + k, .parent = 20, .accountKind = kAccountNews,
                            .name = "comp.group" + std::to_string(k)};
           if (k == 7 || k == 300) group.fileName = "comp.group" + std::to_string(k) + ".dbx";
           f.push_back(group);
         }
         return f;
       }(),
       {"comp.group7.dbx", "comp.group300.dbx"},
       {"news.example.org", "  comp.group7 <- comp.group7.dbx", "  comp.group300 <- comp.group300.dbx"}},
      {"a file that is not there: the local folder stays, the news group goes",
       {{.id = 1, .accountKind = kAccountLocalStore, .name = "Local Folders"},
        {.id = 2, .parent = 1, .name = "Archive", .fileName = "Archive.dbx"},
        {.id = 3, .accountKind = kAccountNews, .name = "group", .fileName = "group.dbx"}},
       {},
       {"Local Folders", "  Archive"}},
      {"an IMAP account holds a folder with a file deep down",
       {{.id = 30, .accountKind = kAccountImap, .name = "IMAP"},
        {.id = 31, .parent = 30, .name = "Lists"},
        {.id = 32, .parent = 31, .name = "dev", .fileName = "dev.dbx"},
        {.id = 33, .parent = 30, .name = "Trash"}},
       {"dev.dbx"},
       {"IMAP", "  Lists", "    dev <- dev.dbx"}},
      {"the account key marks the local store too",
       {{.id = 1, .name = "Local", .accountKey = "LocalStore"}, {.id = 2, .parent = 1, .name = "Empty"}},
       {},
       {"Local", "  Empty"}},
      {"a stated kind other than 3 ends the local store below it",
       {{.id = 1, .accountKind = kAccountLocalStore, .name = "Local"},
        {.id = 2, .parent = 1, .accountKind = kAccountNews, .name = "Not local"}},
       {},
       {"Local"}},
      {"an unlisted .dbx becomes a top-level folder; OE's own files do not",
       {{.id = 1, .accountKind = kAccountLocalStore, .name = "Local"},
        {.id = 2, .parent = 1, .name = "Inbox", .fileName = "Inbox.dbx"}},
       {"Inbox.dbx", "Inbox(1).dbx", "FOLDERS.DBX", "offline.dbx", "Cleanup.log", "notes.txt", "Old.DBX"},
       {"Local", "  Inbox <- Inbox.dbx", "*Inbox(1) <- Inbox(1).dbx", "*Old <- Old.DBX"}},
      {"file names match in any letter case",
       {{.id = 1, .name = "Inbox", .fileName = "INBOX.DBX"}},
       {"inbox.dbx"},
       {"Inbox <- inbox.dbx"}},
      {"an exact match wins over one in another case; the other file stays unlisted",
       {{.id = 1, .name = "Inbox", .fileName = "inbox.dbx"}},
       {"Inbox.dbx", "inbox.dbx"},
       {"Inbox <- inbox.dbx", "*Inbox <- Inbox.dbx"}},
      {"a file goes to the first folder that names it",
       {{.id = 1, .name = "One", .fileName = "Same.dbx"}, {.id = 2, .name = "Two", .fileName = "Same.dbx"}},
       {"Same.dbx"},
       {"One <- Same.dbx"}},
      {"the root's own file and a name with a directory part are no folder's file",
       {{.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "OE", .fileName = "Root.dbx"},
        {.id = 1, .name = "Sneaky", .fileName = "../Root.dbx"}},
       {"Root.dbx"},
       {"*Root <- Root.dbx"}},
      {"Windows-1252 names and file names are converted",
       {{.id = 1, .name = "Gel\xF6schte Objekte", .fileName = "Gel\xF6schte Objekte.dbx"}},
       {"Gelöschte Objekte.dbx"},
       {"Gelöschte Objekte <- Gelöschte Objekte.dbx"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(Build(c.folders, c.entries)), c.expected) << c.what;
}

TEST(StoreMailboxFilesTest, OnlyMailboxFilesCount) {
  const struct {
    const char* name;
    bool counts;
  } cases[] = {
      {"Inbox.dbx", true},   {"Inbox.DBX", true},      {".dbx", true},          {"x.dbx.bak", false},
      {"dbx", false},        {"Folders.dbx", false},   {"folders.DBX", false},  {"Offline.dbx", false},
      {"POP3UIDL.dbx", false}, {"Cleanup.log", false}, {"My Folders.dbx", true}, {"Inbox.dbx ", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsStoreMailboxFile(c.name), c.counts) << c.name;
}

TEST(StoreMailboxFilesTest, EachFileIsClaimedOnce) {
  StoreMailboxFiles files({"b.dbx", "A.dbx", "a.dbx", "A.dbx"}, SystemHost().text);
  EXPECT_EQ(files.claim("a.DBX"), "A.dbx");  // the first in sorted order
  EXPECT_EQ(files.claim("a.dbx"), "a.dbx");
  EXPECT_EQ(files.claim("A.dbx"), std::nullopt);
  EXPECT_EQ(files.unclaimed(), (Lines{"b.dbx"}));
}

}  // namespace
}  // namespace quernel::testing
