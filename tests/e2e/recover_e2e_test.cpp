// End-to-end checks of "-recover": damaged mailboxes made by the builder,
// converted by the program, and every output set read back.

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dbx/layout.h"
#include "e2e/damaged_mailbox.h"
#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"

namespace quernel::testing {
namespace {

void MakeDirectory(const std::string& path) { ::mkdir(path.c_str(), 0777); }

class RecoverTest : public ::testing::Test {
 protected:
  // Runs quernel with the output folder, its last argument, made first.
  ProcessResult run(const std::vector<std::string>& arguments) {
    MakeDirectory(dir_ / arguments.back());
    return RunQuernelProcess(arguments, dir_.path());
  }
  ScratchDir dir_;
};

TEST_F(RecoverTest, EverySetComesBackOnceInItsOwnPlace) {
  WriteFile(dir_ / "Inbox.dbx", MixedMailbox().built.bytes);
  const ProcessResult result = run({"-Recover", "-eml", "-mbxrd", "Inbox.dbx", "out"});
  ASSERT_EQ(result.status, 0) << result.err;

  EXPECT_NE(result.out.find("Message 2 of mailbox \"Inbox.dbx\" is damaged ("), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("\"Inbox.dbx\": 3 indexed, 2 converted, 1 recovered, 2 deleted, 1 damaged messages\n"),
            std::string::npos)
      << result.out;

  // Intact messages where they always go, byte for byte, dated from their records.
  const std::map<std::string, std::string> intact = FilesIn(dir_ / "out/Inbox");
  EXPECT_EQ(Contents(intact), Sorted({MailText("one", 300), MailText("three", 100)}));
  for (const auto& [name, bytes] : intact) {
    const int64_t expected = bytes == MailText("one", 300) ? kFirstSent : kFirstSent + 300;
    EXPECT_EQ(ModificationTime(dir_ / "out/Inbox/" + name), expected) << name;
  }
  const std::map<std::string, std::string> recovered = FilesIn(dir_ / "out/Inbox/recovered");
  ASSERT_EQ(Contents(recovered), std::vector<std::string>{MailText("lost", 700)});
  EXPECT_EQ(ModificationTime(dir_ / "out/Inbox/recovered/" + recovered.begin()->first), kFirstSent + 200);
  EXPECT_NE(recovered.begin()->first.find("lost"), std::string::npos) << recovered.begin()->first;

  EXPECT_EQ(Contents(FilesIn(dir_ / "out/Inbox/deleted")),
            Sorted({AsDeleted(MailText("gone one", 200)), AsDeleted(MailText("gone two", 900))}));
  // The damaged message: the blocks before its defect, nothing invented.
  const std::vector<std::string> damaged = Contents(FilesIn(dir_ / "out/Inbox/damaged"));
  ASSERT_EQ(damaged.size(), 1u);
  EXPECT_FALSE(damaged[0].empty());
  EXPECT_TRUE(MailText("two", 700).starts_with(damaged[0])) << damaged[0].size();
  EXPECT_EQ(ModificationTime(dir_ / "out/Inbox/damaged/" + FilesIn(dir_ / "out/Inbox/damaged").begin()->first),
            kFirstSent + 100);

  // The mbox files beside the mailbox's own, read by a real client.
  EXPECT_EQ(PythonSubjects(dir_ / "out/Inbox.mbx"), "one\nthree\n");
  EXPECT_EQ(PythonSubjects(dir_ / "out/Inbox.recovered.mbx"), "lost\n");
  EXPECT_EQ(PythonSubjects(dir_ / "out/Inbox.deleted.mbx"), "gone one\ngone two\n");
  EXPECT_EQ(PythonSubjects(dir_ / "out/Inbox.damaged.mbx"), "two\n");
}

// With -maildir the sets are Maildir++ subfolders of the mailbox's Maildir,
// which Python's mailbox module lists as its folders.
TEST_F(RecoverTest, SetsBecomeSubfoldersOfTheMaildir) {
  WriteFile(dir_ / "Inbox.dbx", MixedMailbox().built.bytes);
  const ProcessResult result = run({"-recover", "-maildir", "Inbox.dbx", "out"});
  ASSERT_EQ(result.status, 0) << result.err;
  // Its index lists a damaged message: the mailbox is not converted whole.
  EXPECT_NE(result.out.find("0 of 1 mailboxes converted to Maildir-format!\n"), std::string::npos) << result.out;
  EXPECT_EQ(Contents(FilesIn(dir_ / "out/Inbox/cur")), Sorted({MailText("one", 300), MailText("three", 100)}));
  EXPECT_EQ(Contents(FilesIn(dir_ / "out/Inbox/.recovered/cur")), std::vector<std::string>{MailText("lost", 700)});
  EXPECT_EQ(FilesIn(dir_ / "out/Inbox/.deleted/cur").size(), 2u);
  EXPECT_EQ(FilesIn(dir_ / "out/Inbox/.damaged/cur").size(), 1u);
  EXPECT_EQ(FilesIn(dir_ / "out/Inbox/tmp").size(), 0u);

  const ProcessResult folders = RunProcess(
      {"python3", "-c",
       "import mailbox, sys\nbox = mailbox.Maildir(sys.argv[1], create=False)\n"
       "print(len(box), *sorted((f, len(box.get_folder(f))) for f in box.list_folders()))",
       dir_ / "out/Inbox"},
      "/");
  if (folders.status == 127) GTEST_SKIP() << "python3 is not installed: the Maildir is not read back";
  EXPECT_EQ(folders.out, "2 ('damaged', 1) ('deleted', 2) ('recovered', 1)\n") << folders.err;
}

// Without found messages, the output is the plain conversion's, byte for
// byte, and no set creates anything; without the option a damaged message
// still ends the mailbox.
TEST_F(RecoverTest, IntactMailboxGivesThePlainOutputAndNoSets) {
  DbxBuilder builder;
  for (int i = 0; i < 3; ++i) builder.add(Recorded("m" + std::to_string(i), 200 * i, kFirstSent + i));
  WriteFile(dir_ / "Inbox.dbx", builder.build().bytes);
  ASSERT_EQ(run({"-eml", "-mbx", "Inbox.dbx", "plain"}).status, 0);
  const ProcessResult recovered = run({"-recover", "-eml", "-mbx", "Inbox.dbx", "recover"});
  ASSERT_EQ(recovered.status, 0);
  EXPECT_EQ(ListDirectory(dir_ / "recover"), ListDirectory(dir_ / "plain"));
  EXPECT_EQ(ReadFile(dir_ / "recover/Inbox.mbx"), ReadFile(dir_ / "plain/Inbox.mbx"));
  EXPECT_EQ(FilesIn(dir_ / "recover/Inbox"), FilesIn(dir_ / "plain/Inbox"));
  EXPECT_EQ(ListDirectory(dir_ / "recover/Inbox").size(), 3u);

  WriteFile(dir_ / "Mixed.dbx", MixedMailbox().built.bytes);
  const ProcessResult plain = run({"-eml", "Mixed.dbx", "plain"});
  EXPECT_NE(plain.out.find("File \"Mixed.dbx\" seems to be defective!"), std::string::npos) << plain.out;
  EXPECT_EQ(ListDirectory(dir_ / "plain/Mixed").size(), 1u);  // "one" only
}

// Files the reader refuses are scanned: every message comes back as
// recovered, named and dated from its record as the plain conversion of the
// intact mailbox names and dates it.
TEST_F(RecoverTest, RefusedFilesAreScannedAndNamedFromRecords) {
  DbxBuilder builder;
  for (int i = 0; i < 4; ++i) builder.add(Recorded("msg " + std::to_string(i), 300 + 400 * i, kFirstSent + 10 * i));
  const BuiltMailbox intact = builder.build();
  WriteFile(dir_ / "Intact.dbx", intact.bytes);
  ASSERT_EQ(run({"-eml", "-ff", "Intact.dbx", "plain"}).status, 0);
  const std::map<std::string, std::string> expected = FilesIn(dir_ / "plain");
  ASSERT_EQ(expected.size(), 4u);

  BuiltMailbox destroyed = intact;
  DestroyIndex(destroyed);
  std::string noSignature = intact.bytes;
  PutU32(noSignature, 0, 0);
  const std::map<std::string, std::string> cases = {
      {"Destroyed.dbx", destroyed.bytes},
      {"NoSignature.dbx", noSignature},
      {"Shifted.dbx", intact.bytes.substr(4096)},
  };
  for (const auto& [name, bytes] : cases) {
    WriteFile(dir_ / name, bytes);
    const std::string out = "out-" + name;
    const ProcessResult result = run({"-recover", "-eml", "-ff", name, out});
    ASSERT_EQ(result.status, 0) << name;
    EXPECT_NE(result.out.find("0 indexed, 0 converted, 4 recovered, 0 deleted, 0 damaged"), std::string::npos)
        << result.out;
    EXPECT_EQ(FilesIn(dir_ / out + "/recovered"), expected) << name << "\n" << result.out;
    for (const auto& [file, text] : expected) {
      EXPECT_EQ(ModificationTime(dir_ / out + "/recovered/" + file), ModificationTime(dir_ / "plain/" + file)) << file;
    }
    EXPECT_EQ(FilesIn(dir_ / out), (std::map<std::string, std::string>{})) << name;
  }
}

// A rerun with "-recover" on a mailbox damaged since the first run: an mbox
// file that leaves an indexed message out is incomplete, so the complete
// earlier file stays, the new one lies beside it (the output names it), and
// the mailbox is not counted. Alone and in a tree alike.
TEST_F(RecoverTest, RerunKeepsTheCompleteEarlierMbox) {
  struct Case {
    std::vector<std::string> arguments;  // before "-recover" is put first
    std::string mbox;                    // in the output folder
    std::string damagedSet;
  };
  const std::vector<Case> cases = {
      {{"-mbxrd", "store/Inbox.dbx", "out"}, "out/Inbox.mbx", "out/Inbox.damaged.mbx"},
      {{"-tree", "-mbxrd", "store", "out"}, "out/Inbox", "out/Inbox.damaged"},
  };
  DbxBuilder builder;
  for (int i = 0; i < 3; ++i) builder.add(Recorded("m" + std::to_string(i), 3000, kFirstSent + i));
  BuiltMailbox built = builder.build();
  for (const Case& c : cases) {
    ScratchDir dir;
    MakeDirectory(dir / "store");
    MakeDirectory(dir / "out");
    WriteFile(dir / "store/Inbox.dbx", built.bytes);
    ASSERT_EQ(RunQuernelProcess(c.arguments, dir.path()).status, 0);
    const std::string earlier = ReadFile(dir / c.mbox);
    ASSERT_EQ(PythonSubjects(dir / c.mbox), "m0\nm1\nm2\n");

    std::string damaged = built.bytes;
    PutU32(damaged, built.blockOffsets[1][0] + dbx::kBlockNext, 0x7FFFFFF0);
    WriteFile(dir / "store/Inbox.dbx", damaged);
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.begin(), "-recover");
    const ProcessResult rerun = RunQuernelProcess(arguments, dir.path());
    ASSERT_EQ(rerun.status, 0);
    EXPECT_EQ(ReadFile(dir / c.mbox), earlier) << c.mbox;
    EXPECT_EQ(PythonSubjects(dir / c.mbox + ".new"), "m0\nm2\n");
    EXPECT_EQ(PythonSubjects(dir / c.damagedSet), "m1\n");
    for (const std::string& line :
         {"Mailbox \"Inbox.dbx\" is incomplete: \"" + ShownRelativePath(c.mbox) +
              "\" stays as it was (output kept in \"" + ShownRelativePath(c.mbox + ".new") + "\")\n",
          std::string("3 indexed, 2 converted, 0 recovered, 0 deleted, 1 damaged messages\n"),
          std::string("0 of 1 mailboxes converted to MBOXRD-format!\n")}) {
      EXPECT_NE(rerun.out.find(line), std::string::npos) << line << "\n" << rerun.out;
    }
  }
}

// A file cut short: whatever comes back is a message the file held, in one
// place only.
TEST_F(RecoverTest, CutFileGivesEachMessageOnce) {
  DbxBuilder builder;
  std::vector<std::string> texts;
  for (int i = 0; i < 5; ++i) {
    builder.add(Recorded("cut " + std::to_string(i), 500 + 300 * i, kFirstSent + i));
    texts.push_back(MailText("cut " + std::to_string(i), 500 + 300 * i));
  }
  const BuiltMailbox built = builder.build();
  const uint32_t cuts[] = {built.blockOffsets[4][1] + 100, built.blockOffsets[2][0] + 8, built.recordOffsets[4] + 3};
  for (uint32_t cut : cuts) {
    ScratchDir dir;
    WriteFile(dir / "Cut.dbx", built.bytes.substr(0, cut));
    MakeDirectory(dir / "out");
    ASSERT_EQ(RunQuernelProcess({"-recover", "-eml", "-ff", "Cut.dbx", "out"}, dir.path()).status, 0);
    std::vector<std::string> found;
    for (const char* set : {"", "/recovered", "/damaged"}) {
      for (const std::string& text : Contents(FilesIn(dir / "out" + set))) found.push_back(text);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(std::adjacent_find(found.begin(), found.end()), found.end()) << cut;
    for (const std::string& text : found) {
      const bool fromFile = std::any_of(texts.begin(), texts.end(),
                                        [&](const std::string& t) { return t.starts_with(text) && !text.empty(); });
      EXPECT_TRUE(fromFile) << cut << ": " << text.substr(0, 80);
    }
    // Every message whose blocks lie wholly before the cut comes back whole.
    size_t whole = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
      if (built.blockOffsets[i].back() + 0x210 > cut) continue;
      ++whole;
      EXPECT_TRUE(std::find(found.begin(), found.end(), texts[i]) != found.end()) << cut << " message " << i;
    }
    EXPECT_GE(whole, 2u) << cut;
  }
}

}  // namespace
}  // namespace quernel::testing
