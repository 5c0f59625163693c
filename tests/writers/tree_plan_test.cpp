#include "writers/tree_plan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <unordered_set>

#include "dbx/store_files.h"
#include "platform/host.h"
#include "support/folder_list_builder.h"
#include "support/string_input_file.h"
#include "support/test_code_page.h"
#include "support/test_hosts.h"

namespace quernel::testing {
namespace {

using Lines = std::vector<std::string>;
constexpr size_t kTop = StoreTree::kTopLevel;

StoreFolder Folder(std::string name, size_t parent = kTop, std::string file = "") {
  StoreFolder f;
  f.name = std::move(name);
  f.parent = parent;
  f.mailboxFile = std::move(file);
  return f;
}

// With "/" between the parts whatever the host's separator (names hold
// neither "/" nor "\\").
std::string Slashed(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// Each folder's path, and " > " and the directory of its subfolders if any.
Lines Describe(const TreePlan& plan) {
  Lines lines;
  for (size_t i = 0; i < plan.folders.size(); ++i) {
    std::string line = Slashed(plan.path(i));
    const std::string below = plan.subfolderDirectory(i);
    if (!below.empty()) line += " > " + Slashed(below);
    lines.push_back(line);
  }
  return lines;
}

Lines Plan(const std::vector<StoreFolder>& folders, TreeLayout layout, bool windowsRules = false) {
  return Describe(PlanTree(StoreTree{folders}, layout, windowsRules ? WindowsRulesHost() : SystemHost(),
                           Windows1252TestConverter()));
}

TEST(TreePlanTest, RealStoreInBothLayouts) {
  std::vector<TestFolder> folders = RealStoreFolders();
  folders.push_back({.id = 30, .parent = 1, .name = "../Work/Mail"});
  folders.push_back({.id = 31, .parent = 1, .name = "Archive"});
  folders.push_back({.id = 32, .parent = 1, .name = "ARCHIVE"});
  StringInputFile file(BuildFolderList(folders).bytes, "/store/Folders.dbx");
  const StoreTree store = BuildStoreTree(ReadFolderList(file).folders,
                                         {"Inbox.dbx", "Outbox.dbx", "Inbox(1).dbx", "Folders.dbx"},
                                         Windows1252TestConverter(), SystemHost().text);
  const Lines names = {"Inbox", "Outbox", "Sent Items", "Deleted Items", "Drafts", ".. Work Mail",
                       "Archive", "ARCHIVE(1)"};
  Lines mbox = {"Local Folders > Local Folders.sbd"}, eml = {"Local Folders > Local Folders"};
  for (const std::string& name : names) {
    mbox.push_back("Local Folders.sbd/" + name);
    eml.push_back("Local Folders/" + name);
  }
  mbox.push_back("Inbox(1)");
  eml.push_back("Inbox(1)");
  EXPECT_EQ(Describe(PlanTree(store, TreeLayout::Mbox, SystemHost(), Windows1252TestConverter())), mbox);
  EXPECT_EQ(Describe(PlanTree(store, TreeLayout::Eml, SystemHost(), Windows1252TestConverter())), eml);
}

TEST(TreePlanTest, NamesInTheMboxLayout) {
  const struct {
    const char* what;
    std::vector<StoreFolder> folders;
    Lines expected;
  } cases[] = {
      {"separators and dot names never leave the folder",
       {Folder("../../etc"), Folder(".."), Folder("."), Folder("a/b\\c")},
       {".. .. etc", "Unnamed folder", "Unnamed folder(1)", "a b c"}},
      {"an empty name falls back to the file's name",
       {Folder("", kTop, "Gesendete Objekte.dbx"), Folder("??", kTop, ".dbx")},
       {"Gesendete Objekte", "Unnamed folder"}},
      {"siblings differing only in case",
       {Folder("Work"), Folder("work"), Folder("WORK")},
       {"Work", "work(1)", "WORK(2)"}},
      {"a literal numbered name is stepped over",
       {Folder("Inbox"), Folder("Inbox(1)"), Folder("inbox")},
       {"Inbox", "Inbox(1)", "inbox(2)"}},
      {"numbers go before the last dot, as for eml files",
       {Folder("Mail.2004"), Folder("Mail.2004")},
       {"Mail.2004", "Mail(1).2004"}},
      {"the same name under different parents",
       {Folder("A"), Folder("B"), Folder("X", 0), Folder("X", 1)},
       {"A > A.sbd", "B > B.sbd", "A.sbd/X", "B.sbd/X"}},
      {"a folder's .sbd and .msf names stay free of its siblings",
       {Folder("A"), Folder("A.sbd"), Folder("a.MSF"), Folder("Child", 0)},
       {"A > A.sbd", "A(1).sbd", "a(1).MSF", "A.sbd/Child"}},
      {"a sibling named like a later folder's .sbd",
       {Folder("A.sbd"), Folder("A"), Folder("Child", 1)},
       {"A.sbd", "A(1) > A(1).sbd", "A(1).sbd/Child"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Plan(c.folders, TreeLayout::Mbox), c.expected) << c.what;
}

TEST(TreePlanTest, EmlLayoutNeedsNoRoomForSbd) {
  EXPECT_EQ(Plan({Folder("A"), Folder("A.sbd"), Folder("Child", 0), Folder("Grandchild", 2)},
                 TreeLayout::Eml),
            (Lines{"A > A", "A.sbd", "A/Child > A/Child", "A/Child/Grandchild"}));
}

// Maildir++ joins the path with "." in one directory: a "." in a name would
// make a level of its own, so it is replaced before names are made unique.
TEST(TreePlanTest, MaildirLayoutJoinsThePathWithDots) {
  EXPECT_EQ(Plan({Folder("Mail.2004"), Folder("mail_2004"), Folder("Child", 0), Folder("Grand.child", 2),
                  Folder("..x"), Folder("a/b")},
                 TreeLayout::Maildir),
            (Lines{".Mail_2004", ".mail_2004(1)", ".Mail_2004.Child", ".Mail_2004.Child.Grand_child",
                   ".__x", ".a b"}));
}

// A Maildir++ folder's directory name holds its whole path: levels of deep
// trees of long names are shortened to fit 255 bytes (less the room of
// ".recovered" with the found sets), each child's name still beginning with
// its parent's, and siblings that the cut makes alike stay apart.
TEST(TreePlanTest, MaildirNamesOfDeepTreesFitTheNameLimit) {
  std::string letters;  // 60 Cyrillic letters, 120 bytes of UTF-8
  for (int i = 0; i < 10; ++i) letters += "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
  const struct {
    const char* what;
    size_t depth;
    bool foundSets;
    size_t limit;
  } cases[] = {
      {"three levels", 3, false, 255},
      {"three levels with found sets", 3, true, 245},
      {"thirty levels", 30, false, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<StoreFolder> folders = {Folder("Local Folders")};
    for (size_t level = 0; level < c.depth; ++level) folders.push_back(Folder(letters + "A", level));
    const size_t deepest = folders.size() - 1;
    folders.push_back(Folder(letters + "B", deepest - 1));  // a sibling alike once cut
    folders.push_back(Folder(letters + "A", deepest - 1));  // and one alike before
    const TreePlan plan = PlanTree(StoreTree{folders}, TreeLayout::Maildir, SystemHost(),
                                   Windows1252TestConverter(), c.foundSets);
    // A short level stays whole while the others' shares leave it room.
    if (c.depth == 3) {
      EXPECT_EQ(plan.path(0), ".Local Folders");
    }
    std::unordered_set<std::string> paths;
    for (size_t i = 0; i < folders.size(); ++i) {
      const std::string path = plan.path(i);
      EXPECT_LE(path.size(), c.limit) << path;
      EXPECT_TRUE(paths.insert(path).second) << path;
      if (i > 0) {
        const std::string parent = plan.path(folders[i].parent) + ".";
        EXPECT_EQ(path.substr(0, parent.size()), parent) << path;
        EXPECT_GT(path.size(), parent.size()) << path;
      }
    }
  }
}

// With "-recover" a folder's found sets take names too: beside an mbox
// folder, its name plus ".recovered" and the like (and their ".msf"); in an
// eml folder, the subfolders "recovered" and the like. Without, nothing moves.
TEST(TreePlanTest, FoundSetNamesStayFreeOnlyWhenAsked) {
  const struct {
    const char* what;
    TreeLayout layout;
    std::vector<StoreFolder> folders;
    Lines withSets, without;
  } cases[] = {
      {"set files beside an mbox folder", TreeLayout::Mbox,
       {Folder("Inbox"), Folder("Inbox.recovered"), Folder("INBOX.Deleted.msf"), Folder("Mail.2004"),
        Folder("mail.2004.damaged"), Folder("recovered")},
       {"Inbox", "Inbox(1).recovered", "INBOX.Deleted(1).msf", "Mail.2004", "mail.2004(1).damaged", "recovered"},
       {"Inbox", "Inbox.recovered", "INBOX.Deleted.msf", "Mail.2004", "mail.2004.damaged", "recovered"}},
      {"a set file's name taken first", TreeLayout::Mbox,
       {Folder("A.deleted"), Folder("a")},
       {"A.deleted", "a(1)"},
       {"A.deleted", "a"}},
      {"set directories among an eml folder's subfolders", TreeLayout::Eml,
       {Folder("Inbox"), Folder("Recovered", 0), Folder("deleted", 0), Folder("damaged(1)", 0),
        Folder("Damaged", 0), Folder("recovered")},
       {"Inbox > Inbox", "Inbox/Recovered(1)", "Inbox/deleted(1)", "Inbox/damaged(1)", "Inbox/Damaged(2)",
        "recovered"},
       {"Inbox > Inbox", "Inbox/Recovered", "Inbox/deleted", "Inbox/damaged(1)", "Inbox/Damaged", "recovered"}},
      {"set folders among a Maildir folder's subfolders", TreeLayout::Maildir,
       {Folder("Inbox"), Folder("Recovered", 0), Folder("Deleted.x", 0), Folder("recovered")},
       {".Inbox", ".Inbox.Recovered(1)", ".Inbox.Deleted_x", ".recovered"},
       {".Inbox", ".Inbox.Recovered", ".Inbox.Deleted_x", ".recovered"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Describe(PlanTree(StoreTree{c.folders}, c.layout, SystemHost(), Windows1252TestConverter(), true)), c.withSets) << c.what;
    EXPECT_EQ(Plan(c.folders, c.layout), c.without) << c.what;
  }
}

TEST(TreePlanTest, WindowsRulesApplyOnlyWhenAsked) {
  const std::vector<StoreFolder> folders = {Folder("CON"), Folder("Sent."), Folder("Sent")};
  EXPECT_EQ(Plan(folders, TreeLayout::Mbox, true), (Lines{"CON_", "Sent", "Sent(1)"}));
  EXPECT_EQ(Plan(folders, TreeLayout::Mbox, false), (Lines{"CON", "Sent.", "Sent"}));
}

// Names converted from another page compare by that page's letters: a drive
// that ignores letter case takes "Архив" and "АРХИВ" for one name.
TEST(TreePlanTest, LetterCaseOfTheStoresCodePage) {
  StoreTree store{{Folder("\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2"),
                   Folder("\xD0\x90\xD0\xA0\xD0\xA5\xD0\x98\xD0\x92"),
                   Folder("\xCE\xA3\xCF\x87\xCF\x8C\xCE\xBB\xCE\xB9\xCE\xB1")}};
  store.codePage = 1251;
  EXPECT_EQ(Describe(PlanTree(store, TreeLayout::Eml, SystemHost(), Windows1252TestConverter())),
            (Lines{"\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2",
                   "\xD0\x90\xD0\xA0\xD0\xA5\xD0\x98\xD0\x92(1)",
                   "\xCE\xA3\xCF\x87\xCF\x8C\xCE\xBB\xCE\xB9\xCE\xB1"}));
  // In 1253 the Greek name has a namesake, the Cyrillic ones do not.
  store.folders.push_back(Folder("\xCF\x83\xCF\x87\xCF\x8C\xCE\xBB\xCE\xB9\xCE\xB1"));
  store.codePage = 1253;
  const TreePlan greek = PlanTree(store, TreeLayout::Mbox, SystemHost(), Windows1252TestConverter());
  EXPECT_EQ(greek.folders[1].name, "\xD0\x90\xD0\xA0\xD0\xA5\xD0\x98\xD0\x92");
  EXPECT_EQ(greek.folders[3].name, "\xCF\x83\xCF\x87\xCF\x8C\xCE\xBB\xCE\xB9\xCE\xB1(1)");
}

TEST(TreePlanTest, ManyNamesakesCostOneTryEach) {
  std::vector<StoreFolder> folders;
  for (int k = 0; k < 50000; ++k) folders.push_back(Folder(k % 2 ? "x" : "X"));
  const auto start = std::chrono::steady_clock::now();
  const TreePlan plan = PlanTree(StoreTree{folders}, TreeLayout::Mbox, SystemHost(), Windows1252TestConverter());
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 10.0);  // a quadratic walk takes minutes; CI machines are shared
  std::unordered_set<std::string> folded;
  for (const PlannedFolder& f : plan.folders) folded.insert(FoldedName(f.name, SystemHost().text));
  EXPECT_EQ(folded.size(), folders.size());
  EXPECT_EQ(plan.folders.back().name, "x(49999)");
}

}  // namespace
}  // namespace quernel::testing
