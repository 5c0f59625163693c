// The "-tree" run in-process on the in-memory file system: what becomes of
// a store whose folder list is missing or unusable, the eml layout, folders
// without messages beside earlier files, and the count line.

#include "cli/tree_driver.h"

#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cli/quernel_main.h"
#include "dbx/folder_list.h"
#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/folder_list_builder.h"
#include "support/numbered_mailbox.h"

namespace quernel::testing {
namespace {

std::string Mailbox(int messages) { return NumberedMailbox(messages, "message"); }

// Local Folders > Inbox (Inbox.dbx, listed with `inboxCount`) > Family
// (Family.dbx), and Drafts without a file.
std::string LocalFolders(uint32_t inboxCount) {
  return BuildFolderList({
                             {.id = 10, .parent = 2, .name = "Family", .fileName = "Family.dbx"},
                             {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders"},
                             {.id = 2, .parent = 1, .messageCount = inboxCount, .name = "Inbox",
                              .fileName = "Inbox.dbx"},
                             {.id = 3, .parent = 1, .name = "Drafts"},
                         })
      .bytes;
}

class TreeDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    files_.addDirectory("/store");
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }

  int run(const std::vector<std::string>& arguments) { return RunQuernel(arguments, files_, console_); }

  std::vector<std::string> outputFiles() const {
    std::vector<std::string> written;
    for (std::string& file : files_.listFiles()) {
      if (file.starts_with("/out/")) written.push_back(std::move(file));
    }
    return written;
  }

  MemoryFileSystem files_;
  StringConsole console_;
};

// Without a usable folder list every mailbox still becomes a folder, each at
// the top, and one line says why.
struct ListCase {
  const char* name;
  void (*prepare)(MemoryFileSystem&);
  std::string line;
};

class FolderListProblems : public TreeDriverTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(FolderListProblems, EveryMailboxBecomesATopLevelFolder) {
  files_.addFile("/store/Inbox.dbx", Mailbox(2));
  files_.addFile("/store/Other.dbx", Mailbox(1));
  GetParam().prepare(files_);
  EXPECT_EQ(run({"-tree", "-mbxrd", "/store", "/out"}), 0);
  EXPECT_EQ(console_.text(), GetParam().line +
                                 "Processing mailbox \"Inbox.dbx\" (2 messages)...\n"
                                 "Processing mailbox \"Other.dbx\" (1 messages)...\n"
                                 "2 of 2 mailboxes converted to MBOXRD-format!\n");
  EXPECT_EQ(outputFiles(), (std::vector<std::string>{"/out/Inbox", "/out/Other"}));
}

INSTANTIATE_TEST_SUITE_P(
    TreeDriver, FolderListProblems,
    ::testing::Values(
        ListCase{"Missing", [](MemoryFileSystem&) {},
                 "Folder list \"/store/Folders.dbx\" not found: every mailbox becomes a top-level folder.\n"},
        ListCase{"NoFolderList", [](MemoryFileSystem& f) { f.addFile("/store/Folders.dbx", Mailbox(1)); },
                 "Folder list \"/store/Folders.dbx\" is not an Outlook Express folder list: every "
                 "mailbox becomes a top-level folder.\n"},
        ListCase{"Defective",
                 [](MemoryFileSystem& f) {
                   std::string list = LocalFolders(2);
                   PutU32(list, 0xE4, 0x7FFFFFF0);  // the index root far beyond the end
                   f.addFile("/store/FOLDERS.DBX", list);
                 },
                 "Folder list \"/store/FOLDERS.DBX\" seems to be defective: every mailbox becomes "
                 "a top-level folder.\n"},
        ListCase{"HeldByAnotherProgram",
                 [](MemoryFileSystem& f) {
                   f.addFile("/store/Folders.dbx", LocalFolders(2));
                   f.holdByOtherProcess("/store/Folders.dbx");
                 },
                 "Folder list \"/store/Folders.dbx\" cannot be opened: every mailbox becomes a "
                 "top-level folder.\n"}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return info.param.name; });

// Eml: a directory per folder, also for folders without messages; -ff changes nothing.
TEST_F(TreeDriverTest, EmlFoldersNestAndIgnoreFlatFolders) {
  files_.addFile("/store/Folders.dbx", LocalFolders(2));
  files_.addFile("/store/Inbox.dbx", Mailbox(2));
  files_.addFile("/store/Family.dbx", Mailbox(1));
  EXPECT_EQ(run({"-tree", "-ff", "-eml$SUBJ$.eml", "/store/Folders.dbx", "/out"}), 0);
  EXPECT_EQ(console_.text(),
            "Processing mailbox \"Inbox.dbx\" (2 messages)...\n"
            "Processing mailbox \"Family.dbx\" (1 messages)...\n"
            "2 of 2 mailboxes converted to EML-format!\n");
  EXPECT_TRUE(files_.exists("/out/Local Folders/Drafts"));
  EXPECT_EQ(files_.mtimeOf("/out/Local Folders/Inbox/message 1.eml"), 1100003600);
  EXPECT_EQ(outputFiles(), (std::vector<std::string>{"/out/Local Folders/Inbox/Family/message 0.eml",
                                                      "/out/Local Folders/Inbox/message 0.eml",
                                                      "/out/Local Folders/Inbox/message 1.eml"}));
}

// A folder that gets no messages leaves an earlier file at its name alone; a
// folder with messages replaces it with the complete result. A mailbox that
// fails says so itself, without a count line; a wrong count gets its line.
TEST_F(TreeDriverTest, EarlierFilesAndCounts) {
  files_.addFile("/store/Folders.dbx", LocalFolders(3));
  files_.addFile("/store/Inbox.dbx", Mailbox(2));
  files_.addFile("/store/Family.dbx", "not a mailbox");
  files_.addFile("/out/Local Folders.sbd/Drafts", "From kept\r\n\r\n");
  files_.addFile("/out/Local Folders.sbd/Inbox", "From replaced\r\n\r\n");
  EXPECT_EQ(run({"-tree", "/store", "/out"}), 0);
  EXPECT_EQ(console_.text(),
            "No conversion options selected, using MBOXO-converter...\n"
            "Processing mailbox \"Inbox.dbx\" (2 messages)...\n"
            "Folder \"Local Folders.sbd/Inbox\": the folder list counts 3 messages, 2 converted.\n"
            "\"Family.dbx\" is not an Outlook Express mailbox!\n"
            "1 of 2 mailboxes converted to MBOXO-format!\n");
  EXPECT_EQ(files_.contents("/out/Local Folders.sbd/Drafts"), "From kept\r\n\r\n");
  EXPECT_EQ(files_.contents("/out/Local Folders.sbd/Inbox.sbd/Family"), "");
  EXPECT_EQ(files_.contents("/out/Local Folders"), "");
  const std::optional<std::string> inbox = files_.contents("/out/Local Folders.sbd/Inbox");
  ASSERT_TRUE(inbox);
  EXPECT_EQ(inbox->find("From replaced"), std::string::npos);
  EXPECT_NE(inbox->find("Subject: message 1"), std::string::npos);
}

// No store, or the store itself as the output folder, where a folder named
// "Inbox.dbx" would replace a mailbox: nothing is written. The second is a
// command line that cannot be used, as the other -tree usage errors are.
TEST_F(TreeDriverTest, NothingWrittenWithoutAStoreOrIntoIt) {
  files_.addFile("/store/Folders.dbx", BuildFolderList({{.id = 5, .name = "Inbox.dbx"}}).bytes);
  files_.addFile("/store/Inbox.dbx", Mailbox(1));
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* line;
  };
  for (const Case& c : {Case{{"-tree", "/nowhere", "/out"}, 0, "Nothing to do!\n"},
                        Case{{"-tree", "/store/Folders.dbx", "/store/."}, 1,
                             "The output folder must not be the store folder!\n"}}) {
    console_.clear();
    EXPECT_EQ(run(c.arguments), c.status);
    EXPECT_EQ(console_.text(), c.line);
  }
  EXPECT_EQ(files_.listFiles(), (std::vector<std::string>{"/store/Folders.dbx", "/store/Inbox.dbx"}));
}

}  // namespace
}  // namespace quernel::testing
