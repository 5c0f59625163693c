// End-to-end checks of "-tree -recover": a builder-made store with a damaged
// mailbox, converted into a tree whose found sets land beside each folder's
// own output, byte for byte as the plain "-recover" run writes them.

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "dbx/folder_list.h"
#include "e2e/damaged_mailbox.h"
#include "e2e/quernel_process.h"
#include "support/folder_list_builder.h"
#include "support/numbered_mailbox.h"

namespace quernel::testing {
namespace {

using Counts = std::map<std::string, int>;  // mbox path in the tree -> messages

// Local Folders holds the damaged Inbox (3 messages listed), a sibling whose
// name is that of Inbox's recovered set, an intact "Sent" and "Broken",
// whose index is destroyed; Inbox has a subfolder named like the eml
// layout's deleted set, in another letter case.
void WriteStore(const std::string& store) {
  const std::vector<TestFolder> folders = {
      {.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "Outlook Express"},
      {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders",
       .accountKey = "LocalStore"},
      {.id = 2, .parent = 1, .specialFolder = 1, .messageCount = 3, .name = "Inbox", .fileName = "Inbox.dbx"},
      {.id = 3, .parent = 1, .name = "Inbox.recovered", .fileName = "Near.dbx"},
      {.id = 4, .parent = 2, .name = "Deleted", .fileName = "Sub.dbx"},
      {.id = 5, .parent = 1, .messageCount = 2, .name = "Sent", .fileName = "Sent.dbx"},
      {.id = 6, .parent = 1, .name = "Broken", .fileName = "Broken.dbx"},
  };
  WriteFile(store + "/Folders.dbx", BuildFolderList(folders).bytes);
  WriteFile(store + "/Inbox.dbx", MixedMailbox().built.bytes);
  WriteFile(store + "/Near.dbx", NumberedMailbox(1, "near"));
  WriteFile(store + "/Sub.dbx", NumberedMailbox(2, "sub"));
  WriteFile(store + "/Sent.dbx", NumberedMailbox(2, "sent"));
  DbxBuilder builder;
  for (int i = 0; i < 2; ++i) builder.add(Recorded("broken " + std::to_string(i), 600, kFirstSent + i));
  BuiltMailbox broken = builder.build();
  DestroyIndex(broken);
  WriteFile(store + "/Broken.dbx", broken.bytes);
}

class TreeRecoverTest : public ::testing::Test {
 protected:
  TreeRecoverTest() {
    RunProcess({"mkdir", dir_ / "store", dir_ / "plain"}, "/");
    WriteStore(dir_ / "store");
  }

  ProcessResult run(const std::vector<std::string>& arguments) {
    return RunQuernelProcess(arguments, dir_.path());
  }

  // Every mbox file (or Maildir++ folder, with `script`) of the tree `out`,
  // read by Python's mailbox module.
  Counts pythonCounts(const std::string& out, const char* script = "mbox_tree_counts.py") {
    const ProcessResult read = RunProcess(
        {"python3", std::string(QUERNEL_SOURCE_DIR) + "/tests/e2e/" + script, dir_ / out}, "/");
    EXPECT_EQ(read.status, 0) << read.err;
    Counts counts;
    std::istringstream lines(read.out);
    for (std::string line; std::getline(lines, line);) {
      const size_t tab = line.rfind('\t');
      if (tab != std::string::npos) counts[line.substr(0, tab)] = std::stoi(line.substr(tab + 1));
    }
    return counts;
  }

  ScratchDir dir_;
};

TEST_F(TreeRecoverTest, MboxSetsBesideTheFolderAsThePlainRunWritesThem) {
  const ProcessResult result = run({"-tree", "-recover", "-mbxrd", dir_ / "store", dir_ / "out"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (const char* line : {"Message 2 of mailbox \"Inbox.dbx\" is damaged (",
                           "\"Inbox.dbx\": 3 indexed, 2 converted, 1 recovered, 2 deleted, 1 damaged messages\n",
                           "\"Broken.dbx\": 0 indexed, 0 converted, 2 recovered, 0 deleted, 0 damaged messages\n",
                           "the folder list counts 3 messages, 2 converted.\n",
                           "3 of 5 mailboxes converted to MBOXRD-format!\n"}) {
    EXPECT_NE(result.out.find(line), std::string::npos) << line << "\n" << result.out;
  }
  const std::string inFolders = "Local Folders.sbd/";
  EXPECT_EQ(pythonCounts("out"), (Counts{{"Local Folders", 0},
                                         {inFolders + "Broken", 0},
                                         {inFolders + "Broken.recovered", 2},
                                         {inFolders + "Inbox", 2},
                                         {inFolders + "Inbox.recovered", 1},
                                         {inFolders + "Inbox.deleted", 2},
                                         {inFolders + "Inbox.damaged", 1},
                                         {inFolders + "Inbox(1).recovered", 1},
                                         {inFolders + "Inbox.sbd/Deleted", 2},
                                         {inFolders + "Sent", 2}}));
  ASSERT_EQ(run({"-recover", "-mbxrd", dir_ / "store/Inbox.dbx", dir_ / "plain"}).status, 0);
  for (const char* set : {"", ".recovered", ".deleted", ".damaged"}) {
    EXPECT_EQ(ReadFile(dir_ / "out/" + inFolders + "Inbox" + set), ReadFile(dir_ / "plain/Inbox" + set + ".mbx"))
        << set;
  }

  // Without "-recover" the tree is the one it always was: no sets, and the
  // sibling keeps its own name.
  ASSERT_EQ(run({"-tree", "-mbxrd", dir_ / "store", dir_ / "default"}).status, 0);
  EXPECT_EQ(pythonCounts("default"), (Counts{{"Local Folders", 0},
                                             {inFolders + "Broken", 0},
                                             {inFolders + "Inbox", 1},
                                             {inFolders + "Inbox.recovered", 1},
                                             {inFolders + "Inbox.sbd/Deleted", 2},
                                             {inFolders + "Sent", 2}}));
  for (const auto& [plain, recovered] : {std::pair{"Inbox.recovered", "Inbox(1).recovered"},
                                         {"Sent", "Sent"}, {"Inbox.sbd/Deleted", "Inbox.sbd/Deleted"}}) {
    EXPECT_EQ(ReadFile(dir_ / "default/" + inFolders + plain), ReadFile(dir_ / "out/" + inFolders + recovered));
  }
}

TEST_F(TreeRecoverTest, EmlSetsAreSubfoldersOfTheFolder) {
  ASSERT_EQ(run({"-tree", "-recover", "-eml", dir_ / "store", dir_ / "out"}).status, 0);
  ASSERT_EQ(run({"-recover", "-eml", dir_ / "store/Inbox.dbx", dir_ / "plain"}).status, 0);
  const std::string inbox = dir_ / "out/Local Folders/Inbox";
  std::vector<std::string> entries = ListDirectory(inbox);
  std::vector<std::string> expected = {"Deleted(1)", "damaged", "deleted", "recovered"};
  for (const auto& [name, bytes] : FilesIn(dir_ / "plain/Inbox")) expected.push_back(name);
  EXPECT_EQ(Sorted(entries), Sorted(expected));
  EXPECT_EQ(FilesIn(inbox + "/Deleted(1)").size(), 2u);
  // Each set as the plain run writes it: names, bytes and times.
  for (const char* set : {"", "/recovered", "/deleted", "/damaged"}) {
    const std::map<std::string, std::string> files = FilesIn(inbox + set);
    EXPECT_EQ(files, FilesIn(dir_ / "plain/Inbox" + set)) << set;
    EXPECT_FALSE(files.empty()) << set;
    for (const auto& [name, bytes] : files) {
      EXPECT_EQ(ModificationTime(inbox + set + "/" + name),
                ModificationTime(dir_ / "plain/Inbox" + set + "/" + name))
          << name;
    }
  }
  // Empty sets make nothing; a folder whose index is gone has its scan only.
  EXPECT_EQ(ListDirectory(dir_ / "out/Local Folders/Sent").size(), 2u);
  EXPECT_EQ(ListDirectory(dir_ / "out/Local Folders/Broken"), std::vector<std::string>{"recovered"});
  EXPECT_EQ(FilesIn(dir_ / "out/Local Folders/Broken/recovered").size(), 2u);
  EXPECT_EQ(FilesIn(dir_ / "out/Local Folders/Inbox.recovered").size(), 1u);
}

// In a Maildir++ tree the sets are subfolders of the folder, named apart
// from its own subfolders, each with the messages the plain run writes.
TEST_F(TreeRecoverTest, MaildirSetsAreMaildirPlusPlusSubfolders) {
  ASSERT_EQ(run({"-tree", "-recover", "-maildir", dir_ / "store", dir_ / "out"}).status, 0);
  EXPECT_EQ(pythonCounts("out", "maildir_tree_counts.py"),
            (Counts{{"INBOX", 0},
                    {"Local Folders", 0},
                    {"Local Folders/Broken", 0},
                    {"Local Folders/Broken/recovered", 2},
                    {"Local Folders/Inbox", 2},
                    {"Local Folders/Inbox/recovered", 1},
                    {"Local Folders/Inbox/deleted", 2},
                    {"Local Folders/Inbox/damaged", 1},
                    {"Local Folders/Inbox/Deleted(1)", 2},
                    {"Local Folders/Inbox_recovered", 1},
                    {"Local Folders/Sent", 2}}));
  ASSERT_EQ(run({"-recover", "-maildir", dir_ / "store/Inbox.dbx", dir_ / "plain"}).status, 0);
  for (const char* set : {"", ".recovered", ".deleted", ".damaged"}) {
    const std::map<std::string, std::string> files = FilesIn(dir_ / "out/.Local Folders.Inbox" + set + "/cur");
    EXPECT_EQ(files, FilesIn(dir_ / "plain/Inbox/" + (*set ? std::string(set) + "/cur" : "cur"))) << set;
    EXPECT_FALSE(files.empty()) << set;
  }
}

}  // namespace
}  // namespace quernel::testing
