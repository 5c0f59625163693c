// End-to-end checks of "-tree": a store made with the test-mailbox builder
// and the bundled sample store are converted, and every mbox of the tree (or
// every folder of the Maildir++ tree) is read back by Python's mailbox module
// and by Dovecot's doveadm.

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dbx/folder_list.h"
#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/folder_list_builder.h"
#include "support/numbered_mailbox.h"

namespace quernel::testing {
namespace {

using Counts = std::map<std::string, int>;  // mbox path in the tree -> messages

// Every shape the folder list may take in one store: nested folders, a child
// listed before its parent, a missing parent, a cycle, a duplicated id, a
// name with "/" and one of "..", siblings differing in letter case, a news
// account with many unopened groups, a file that is not there, a count that
// is wrong, and a mailbox no folder names.
void WriteBuiltStore(const std::string& store) {
  std::vector<TestFolder> folders = {
      {.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "Outlook Express"},
      {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders",
       .accountKey = "LocalStore"},
      {.id = 2, .parent = 1, .specialFolder = 1, .messageCount = 3, .name = "Inbox", .fileName = "Inbox.dbx"},
      {.id = 5, .parent = 4, .messageCount = 2, .name = "Child", .fileName = "Child.dbx"},
      {.id = 4, .parent = 2, .messageCount = 5, .name = "Projects", .fileName = "PROJECTS.DBX"},
      {.id = 6, .parent = 1, .name = "Work/Mail", .fileName = "Work.dbx"},
      {.id = 7, .parent = 1, .name = "..", .fileName = "Dots.dbx"},
      {.id = 8, .parent = 1, .name = "Archive", .fileName = "Archive.dbx"},
      {.id = 9, .parent = 1, .name = "ARCHIVE", .fileName = "Archive2.dbx"},
      {.id = 12, .parent = 1, .messageCount = 2, .name = "Gone", .fileName = "Gone.dbx"},
      {.id = 13, .parent = 1, .specialFolder = 5, .name = "Drafts"},
      {.id = 20, .parent = 77, .name = "Orphan", .fileName = "Orphan.dbx"},
      {.id = 30, .parent = 31, .name = "Loop A", .fileName = "LoopA.dbx"},
      {.id = 31, .parent = 30, .name = "Loop B", .fileName = "LoopB.dbx"},
      {.id = 2, .parent = 1, .name = "Inbox copy", .fileName = "Dup.dbx"},
      {.id = 40, .parent = 0, .accountKind = kAccountNews, .name = "news.example.org", .accountKey = "00000003"},
      {.id = 41, .parent = 40, .accountKind = kAccountNews, .messageCount = 1, .name = "comp.test",
       .fileName = "comp.test.dbx"},
  };
  for (uint32_t group = 0; group < 40; ++group) {
    folders.push_back({.id = 100 + group, .parent = 40, .accountKind = kAccountNews,
                       .name = "alt.unopened." + std::to_string(group)});
  }
  WriteFile(store + "/Folders.dbx", BuildFolderList(folders).bytes);
  const std::pair<const char*, int> mailboxes[] = {
      {"Inbox.dbx", 3}, {"Child.dbx", 2}, {"Projects.dbx", 1}, {"Work.dbx", 1},     {"Dots.dbx", 1},
      {"Archive.dbx", 1}, {"Archive2.dbx", 1}, {"Orphan.dbx", 1}, {"LoopA.dbx", 1}, {"LoopB.dbx", 1},
      {"Dup.dbx", 1}, {"comp.test.dbx", 1}, {"Leftover.dbx", 2},
  };
  for (const auto& [name, messages] : mailboxes) WriteFile(store + "/" + name, NumberedMailbox(messages, name));
  WriteFile(store + "/Cleanup.log", "not a mailbox\n");
}

const Counts kBuiltTree = {
    {"Local Folders", 0},
    {"Local Folders.sbd/Inbox", 3},
    {"Local Folders.sbd/Inbox.sbd/Projects", 1},
    {"Local Folders.sbd/Inbox.sbd/Projects.sbd/Child", 2},
    {"Local Folders.sbd/Work Mail", 1},
    {"Local Folders.sbd/Dots", 1},
    {"Local Folders.sbd/Archive", 1},
    {"Local Folders.sbd/ARCHIVE(1)", 1},
    {"Local Folders.sbd/Gone", 0},
    {"Local Folders.sbd/Drafts", 0},
    {"Orphan", 1},
    {"Loop A", 1},
    {"Loop B", 1},
    {"Inbox copy", 1},
    {"news.example.org", 0},
    {"news.example.org.sbd/comp.test", 1},
    {"Leftover", 2},
};

const Counts kSampleTree = {
    {"Local Folders", 0},
    {"Local Folders.sbd/Inbox", 5},
    {"Local Folders.sbd/Inbox.sbd/Family", 2},
    {"Local Folders.sbd/Inbox.sbd/Family.sbd/Urlaub in M\xC3\xBCnchen", 1},
    {"Local Folders.sbd/Outbox", 0},
    {"Local Folders.sbd/Sent Items", 1},
    {"Local Folders.sbd/Deleted Items", 0},
    {"Local Folders.sbd/Drafts", 0},
    {"news.example.org", 0},
    {"news.example.org.sbd/comp.mail.misc", 1},
    {"Inbox(1)", 1},
};

// Lines of "path<TAB>count"; other lines (a header, empty lines) are skipped.
Counts ParseCounts(const std::string& text, char separator) {
  Counts counts;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.rfind(separator);
    if (at == std::string::npos) continue;
    counts[line.substr(0, at)] = std::stoi(line.substr(at + 1 + (separator == ' ' ? 9 : 0)));
  }
  return counts;
}

std::string ShownRelative(std::string path) {
  if (TargetIsWindows()) {
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
  }
  return path;
}

// The Maildir++ tree of the built store, by the names Dovecot shows with "/"
// for its separator: "." in a name has become "_".
const Counts kBuiltMaildirTree = {
    {"INBOX", 0},
    {"Local Folders", 0},
    {"Local Folders/Inbox", 3},
    {"Local Folders/Inbox/Projects", 1},
    {"Local Folders/Inbox/Projects/Child", 2},
    {"Local Folders/Work Mail", 1},
    {"Local Folders/Dots", 1},
    {"Local Folders/Archive", 1},
    {"Local Folders/ARCHIVE(1)", 1},
    {"Local Folders/Gone", 0},
    {"Local Folders/Drafts", 0},
    {"Orphan", 1},
    {"Loop A", 1},
    {"Loop B", 1},
    {"Inbox copy", 1},
    {"news_example_org", 0},
    {"news_example_org/comp_test", 1},
    {"Leftover", 2},
};

class TreeRun : public ::testing::Test {
 protected:
  // Converts `store` into dir/out with "-tree" and `format`.
  ProcessResult convert(const std::string& store, const std::string& format = "-mbxrd") {
    return RunQuernelProcess({"-tree", format, store, dir_ / "out"}, dir_.path());
  }

  // The tree read by Python's mailbox module with `script`; nothing without python3.
  std::optional<Counts> pythonCounts(const char* script = "mbox_tree_counts.py") {
    const ProcessResult read = RunProcess(
        {"python3", std::string(QUERNEL_SOURCE_DIR) + "/tests/e2e/" + script, dir_ / "out"}, "/");
    if (read.status == 127) return std::nullopt;
    EXPECT_EQ(read.status, 0) << read.err;
    return ParseCounts(read.out, '\t');
  }

  // The tree as Dovecot sees it, on a copy (Dovecot writes its own headers
  // into mbox files) that the user nobody owns: a throw-away configuration,
  // no daemon. Nothing where doveadm is missing. A Maildir++ tree is shown
  // with "/" between the levels of a folder's name.
  std::optional<Counts> dovecotCounts(bool maildir = false) {
    const std::string home = dir_ / "dovecot";
    const std::string mail = home + "/mail";
    RunProcess({"mkdir", home}, "/");
    EXPECT_EQ(RunProcess({"cp", "-r", dir_ / "out", mail}, "/").status, 0);
    WriteFile(home + "/dovecot.conf",
              (maildir ? "mail_location = maildir:" + mail + ":INDEX="
                       : "mail_location = mbox:" + mail + ":INBOX=" + home + "/inbox:INDEX=") +
                  home + "/index:CONTROL=" + home + "/control:UTF-8\n" +
                  (maildir ? "namespace inbox {\n  inbox = yes\n  separator = /\n}\n" : "") +
                  "mail_uid = nobody\nmail_gid = nogroup\nssl = no\n"
                  "base_dir = " + home + "/run\nstate_dir = " + home + "/state\n"
                  "log_path = " + home + "/log\n");
    chmod(dir_.path().c_str(), 0755);
    RunProcess({"chown", "-R", "nobody:nogroup", home}, "/");
    const ProcessResult status =
        RunProcess({"env", "USER=nobody", "HOME=" + home, "doveadm", "-c", home + "/dovecot.conf",
                    "mailbox", "status", "messages", "*"},
                   "/");
    if (status.status == 127) return std::nullopt;
    EXPECT_EQ(status.status, 0) << status.err;
    return ParseCounts(status.out, ' ');
  }

  ScratchDir dir_;
};

TEST_F(TreeRun, BuiltStoreReadByPythonAndDovecot) {
  RunProcess({"mkdir", dir_ / "store"}, "/");
  WriteBuiltStore(dir_ / "store");
  const ProcessResult run = convert(dir_ / "store");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("13 of 13 mailboxes converted to MBOXRD-format!\n"), std::string::npos) << run.out;
  // The counts that the folder list gets wrong, each in one line.
  for (const char* line :
       {"Folder \"Local Folders.sbd/Gone\": the folder list counts 2 messages, 0 converted.\n",
        "Folder \"Local Folders.sbd/Inbox.sbd/Projects\": the folder list counts 5 messages, 1 converted.\n"}) {
    EXPECT_NE(run.out.find(ShownRelative(line)), std::string::npos) << line << run.out;
  }
  EXPECT_EQ(run.out.find("counts 3 messages"), std::string::npos) << run.out;

  const std::optional<Counts> python = pythonCounts();
  if (!python) GTEST_SKIP() << "python3 is not installed: the tree is not read back";
  EXPECT_EQ(*python, kBuiltTree);
  const std::optional<Counts> dovecot = dovecotCounts();
  if (!dovecot) GTEST_SKIP() << "doveadm (Debian package dovecot-core) is not installed";
  EXPECT_EQ(*dovecot, kBuiltTree);
}

// "-tree -maildir": the same store as a Maildir++ tree that both readers
// open folder by folder, under the store's names.
TEST_F(TreeRun, BuiltStoreAsMaildirTree) {
  RunProcess({"mkdir", dir_ / "store"}, "/");
  WriteBuiltStore(dir_ / "store");
  const ProcessResult run = convert(dir_ / "store", "-maildir");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("13 of 13 mailboxes converted to Maildir-format!\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(ShownRelative("Folder \".Local Folders.Gone\": the folder list counts 2 messages, "
                                       "0 converted.\n")),
            std::string::npos)
      << run.out;

  const std::optional<Counts> python = pythonCounts("maildir_tree_counts.py");
  if (!python) GTEST_SKIP() << "python3 is not installed: the tree is not read back";
  EXPECT_EQ(*python, kBuiltMaildirTree);
  const std::optional<Counts> dovecot = dovecotCounts(/*maildir=*/true);
  if (!dovecot) GTEST_SKIP() << "doveadm (Debian package dovecot-core) is not installed";
  EXPECT_EQ(*dovecot, kBuiltMaildirTree);
}

// Three levels of 60 Cyrillic letters each below "Local Folders": their
// joined Maildir++ names are shortened to fit a name, and Python's reader
// finds each folder nested in its parent.
TEST_F(TreeRun, DeepTreeOfLongNamesAsMaildirTree) {
  const std::string store = dir_ / "store";
  RunProcess({"mkdir", store}, "/");
  std::string letters;  // "Привет" ten times, in Windows-1251
  for (int i = 0; i < 10; ++i) letters += "\xCF\xF0\xE8\xE2\xE5\xF2";
  std::vector<TestFolder> folders = {
      {.id = 0, .parent = 0xFFFFFFFF, .accountKind = kAccountRoot, .name = "Outlook Express"},
      {.id = 1, .parent = 0, .accountKind = kAccountLocalStore, .name = "Local Folders", .accountKey = "LocalStore"},
  };
  for (uint32_t level = 0; level < 3; ++level) {
    std::string file = std::to_string(level);
    file.insert(0, 1, 'A');
    file += ".dbx";
    folders.push_back({.id = 2 + level, .parent = 1 + level, .messageCount = 1, .name = letters, .fileName = file});
    WriteFile(store + "/" + file, NumberedMailbox(1, file));
  }
  WriteFile(store + "/Folders.dbx", BuildFolderList(folders).bytes);
  const ProcessResult run = RunQuernelProcess({"-tree", "-maildir", "-cp1251", store, dir_ / "out"}, dir_.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("3 of 3 mailboxes converted to Maildir-format!\n"), std::string::npos) << run.out;

  const std::optional<Counts> python = pythonCounts("maildir_tree_counts.py");
  if (!python) GTEST_SKIP() << "python3 is not installed: the tree is not read back";
  ASSERT_EQ(python->size(), 5u);
  std::vector<std::string> nested = {"Local Folders"};
  for (const auto& [name, count] : *python) {
    if (name == "INBOX" || name == "Local Folders") continue;
    EXPECT_EQ(count, 1) << name;
    EXPECT_EQ(name.rfind(nested.back() + "/", 0), 0u) << name;
    EXPECT_LE(name.size(), 254u) << name;
    nested.push_back(name);
  }
  EXPECT_EQ(nested.size(), 4u);
}

// The bundled sample store, given by its folder list; a second run replaces
// the first run's tree with the same one, and each mbox holds exactly the
// bytes the plain run writes for its mailbox.
TEST_F(TreeRun, SampleStoreTwiceAsThePlainRunWritesIt) {
  const std::string store = dir_ / "store";
  RunProcess({"cp", "-r", std::string(QUERNEL_SOURCE_DIR) + "/samples/store", store}, "/");
  for (int run = 0; run < 2; ++run) {
    const ProcessResult result = convert(store + "/Folders.dbx");
    EXPECT_NE(result.out.find("6 of 7 mailboxes converted to MBOXRD-format!\n"), std::string::npos)
        << result.out;
    EXPECT_EQ(result.out.find("the folder list counts"), std::string::npos) << result.out;
  }
  const ProcessResult plain = RunQuernelProcess({"-mbxrd", store + "/Family.dbx", dir_.path()}, dir_.path());
  EXPECT_EQ(ReadFile(dir_ / "out/Local Folders.sbd/Inbox.sbd/Family"), ReadFile(dir_ / "Family.mbx"));

  const std::optional<Counts> python = pythonCounts();
  if (!python) GTEST_SKIP() << "python3 is not installed: the tree is not read back";
  EXPECT_EQ(*python, kSampleTree);  // no file left beside another, and nothing lost
  const std::optional<Counts> dovecot = dovecotCounts();
  if (!dovecot) GTEST_SKIP() << "doveadm (Debian package dovecot-core) is not installed";
  EXPECT_EQ(*dovecot, kSampleTree);
}

}  // namespace
}  // namespace quernel::testing
