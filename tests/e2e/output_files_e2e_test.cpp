// End-to-end checks of how quernel treats output files that exist already:
// names that differ only in letter case on a drive that ignores it (Windows,
// or a FAT drive mounted on Linux), and an earlier run's good output that a
// failed run must leave as it was.

#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"

namespace quernel::testing {
namespace {

std::string Text(const std::string& subject) { return "Subject: " + subject + "\r\n\r\nBody of " + subject + "\r\n"; }

BuiltMailbox MailboxOf(const std::vector<std::string>& subjects) {
  DbxBuilder builder;
  int64_t sent = 1100000000;
  for (const std::string& subject : subjects) {
    TestMessage message;
    message.subject = subject;
    message.text = Text(subject);
    message.senderAddress = "sender@example.com";
    message.sendTime = FileTimeFromUnix(sent += 2);  // even: FAT keeps times to 2 s
    builder.add(message);
  }
  return builder.build();
}

// The same mailbox with the text chain of message `broken` looping on itself.
std::string Damaged(BuiltMailbox mailbox, size_t broken) {
  const uint32_t block = mailbox.blockOffsets[broken].front();
  PutU32(mailbox.bytes, block + 0x0C, block);
  return mailbox.bytes;
}

size_t CountSeparators(const std::string& mbox) {
  size_t count = mbox.rfind("From ", 0) == 0 ? 1 : 0;
  for (size_t at = mbox.find("\r\nFrom "); at != std::string::npos; at = mbox.find("\r\nFrom ", at + 1)) ++count;
  return count;
}

int64_t ModificationTime(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_mtime : -1;
}

// A FAT file system in an image file, mounted through a loop device for one
// test. Needs root, mkfs.vfat (dosfstools) and a kernel with FAT support;
// `whyNot` says which is missing when it could not be mounted.
class FatMount {
 public:
  FatMount() {
    const std::string image = scratch_ / "fat.img";
    WriteFile(image, "");
    if (geteuid() != 0) {
      whyNot_ = "mounting a FAT image needs root";
    } else if (truncate(image.c_str(), 32 << 20) != 0 || mkdir(path().c_str(), 0777) != 0) {
      whyNot_ = "cannot make the image file";
    } else if (const ProcessResult format = RunProcess({"mkfs.vfat", image}, scratch_.path()); format.status != 0) {
      whyNot_ = format.status == 127 ? "mkfs.vfat (dosfstools) is not installed" : "mkfs.vfat failed: " + format.err;
    } else if (const ProcessResult mount = RunProcess({"mount", "-o", "loop", image, path()}, "/"); mount.status != 0) {
      whyNot_ = "this machine cannot mount a FAT image through a loop device: " + mount.err;
    } else {
      mounted_ = true;
    }
  }

  ~FatMount() {
    if (mounted_) RunProcess({"umount", path()}, scratch_.path());
  }

  bool mounted() const { return mounted_; }
  const std::string& whyNot() const { return whyNot_; }
  std::string path() const { return scratch_ / "mnt"; }

 private:
  ScratchDir scratch_;
  bool mounted_ = false;
  std::string whyNot_;
};

// Runs each test in a fresh folder ("Here", where letter case matters unless
// the program is the Windows build) and on a FAT drive, where it never does.
class LetterCase : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "Here") {
      scratch_ = std::make_unique<ScratchDir>();
      dir_ = scratch_->path();
      ignoresCase_ = TargetIsWindows();
      return;
    }
    fat_ = std::make_unique<FatMount>();
    if (!fat_->mounted()) GTEST_SKIP() << "No FAT drive for this test: " << fat_->whyNot();
    dir_ = fat_->path();
    ignoresCase_ = true;
  }

  std::string at(const std::string& name) const { return dir_ + "/" + name; }

  std::unique_ptr<ScratchDir> scratch_;
  std::unique_ptr<FatMount> fat_;
  std::string dir_;
  bool ignoresCase_ = false;
};

TEST_P(LetterCase, OverwriteKeepsEveryMessageWhoseNameDiffersOnlyInCase) {
  WriteFile(at("Inbox.dbx"), MailboxOf({"Hello", "hello", "HELLO"}).bytes);
  const ProcessResult result = RunQuernelProcess({"-overwrite", "-ff", "-eml$SUBJ$.eml", "Inbox.dbx"}, dir_);
  EXPECT_EQ(result.out, "Processing mailbox \"Inbox.dbx\" (3 messages)...\n"
                        "1 of 1 mailboxes converted to EML-format!\n");
  const std::vector<std::string> names = ignoresCase_
                                             ? std::vector<std::string>{"Hello.eml", "hello(1).eml", "HELLO(2).eml"}
                                             : std::vector<std::string>{"Hello.eml", "hello.eml", "HELLO.eml"};
  const std::vector<std::string> subjects = {"Hello", "hello", "HELLO"};
  for (size_t k = 0; k < names.size(); ++k) EXPECT_EQ(ReadFile(at(names[k])), Text(subjects[k])) << names[k];
  EXPECT_EQ(ListDirectory(dir_).size(), 4u);  // and the mailbox
}

TEST_P(LetterCase, TwoMailboxesNamingOneMboxInTwoSpellingsKeepEveryMessage) {
  WriteFile(at("Inbox.dbx"), MailboxOf({"one"}).bytes);
  WriteFile(at("INBOX2.dbx"), MailboxOf({"two", "three"}).bytes);
  const ProcessResult result = RunQuernelProcess({"-mbx$DBXNAME_L:5$.mbx", "*.dbx"}, dir_);
  std::string processing;
  for (const std::string& name : InMatchOrder({"Inbox.dbx", "INBOX2.dbx"})) {
    processing += "Processing mailbox \"" + name + "\" (" + (name == "Inbox.dbx" ? "1" : "2") + " messages)...\n";
  }
  EXPECT_EQ(result.out, processing + "2 of 2 mailboxes converted to MBOXO-format!\n");
  size_t files = 0;
  size_t messages = 0;
  for (const std::string& name : ListDirectory(dir_)) {
    if (!name.ends_with(".mbx")) continue;
    ++files;
    messages += CountSeparators(ReadFile(at(name)));
  }
  EXPECT_EQ(files, ignoresCase_ ? 1u : 2u);
  EXPECT_EQ(messages, 3u);
}

INSTANTIATE_TEST_SUITE_P(Drives, LetterCase, ::testing::Values("Here", "Fat"),
                         [](const auto& info) { return info.param; });

// A damaged copy converted over a complete earlier result: the earlier mbox
// and .eml files stay exactly as they were, what the failed run wrote into
// the mbox is kept beside it, and a later good run replaces everything.
TEST(OutputFiles, AFailedRunLeavesTheEarlierRunsOutputAsItWas) {
  ScratchDir dir;
  const BuiltMailbox good = MailboxOf({"first", "second", "third"});
  WriteFile(dir / "Inbox.dbx", good.bytes);
  const std::vector<std::string> arguments = {"-mbx", "-eml", "-overwrite", "Inbox.dbx"};
  ASSERT_EQ(RunQuernelProcess(arguments, dir.path()).status, 0);
  const std::string mbox = ReadFile(dir / "Inbox.mbx");
  ASSERT_EQ(CountSeparators(mbox), 3u);
  const std::string second = dir / "Inbox/Unknown - second.eml";
  ASSERT_EQ(ReadFile(second), Text("second"));
  ASSERT_EQ(truncate(second.c_str(), 4), 0);  // told apart from what a new run writes
  const int64_t mboxTime = ModificationTime(dir / "Inbox.mbx");

  WriteFile(dir / "Inbox.dbx", Damaged(good, 1));
  ProcessResult result = RunQuernelProcess(arguments, dir.path());
  const std::string defective = "File \"Inbox.dbx\" seems to be defective!";
  EXPECT_EQ(result.out, "Processing mailbox \"Inbox.dbx\" (3 messages)...\n" + defective +
                            " (output kept in \"" + ShownFullPath(dir / "Inbox.mbx.new") + "\")\n" + defective +
                            "\n0 of 1 mailboxes converted to MBOXO-format!\n"
                            "0 of 1 mailboxes converted to EML-format!\n");
  EXPECT_EQ(ReadFile(dir / "Inbox.mbx"), mbox);
  EXPECT_EQ(ModificationTime(dir / "Inbox.mbx"), mboxTime);
  EXPECT_EQ(CountSeparators(ReadFile(dir / "Inbox.mbx.new")), 1u);  // the message before the damaged one
  EXPECT_EQ(ReadFile(second), Text("second").substr(0, 4));
  EXPECT_EQ(ListDirectory(dir / "Inbox").size(), 3u);

  WriteFile(dir / "Inbox.dbx", good.bytes);
  result = RunQuernelProcess(arguments, dir.path());
  EXPECT_EQ(result.out, "Processing mailbox \"Inbox.dbx\" (3 messages)...\n"
                        "1 of 1 mailboxes converted to MBOXO-format!\n"
                        "1 of 1 mailboxes converted to EML-format!\n");
  EXPECT_EQ(ReadFile(dir / "Inbox.mbx"), mbox);
  EXPECT_EQ(ReadFile(second), Text("second"));
  EXPECT_EQ(ModificationTime(second), 1100000004);  // the send date, on the file that replaced the old one
  EXPECT_EQ(ListDirectory(dir.path()),
            (std::vector<std::string>{"Inbox", "Inbox.dbx", "Inbox.mbx", "Inbox.mbx.new"}));
}

// Mailbox files whose names without ".dbx" are "." or "..": every output
// lands inside the output folder, in a folder of underscores.
TEST(OutputFiles, MailboxNamesOfDotsStayInsideTheOutputFolder) {
  ScratchDir dir;
  ASSERT_EQ(mkdir((dir / "in").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((dir / "base").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((dir / "base/out").c_str(), 0777), 0);
  WriteFile(dir / "in/...dbx", MailboxOf({"first"}).bytes);
  WriteFile(dir / "in/..dbx", MailboxOf({"second"}).bytes);
  const ProcessResult result = RunQuernelProcess({"-maildir", "-eml", "-recover", "in/*.dbx", "base/out"}, dir.path());
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(ListDirectory(dir.path()), (std::vector<std::string>{"base", "in"}));
  EXPECT_EQ(ListDirectory(dir / "base"), std::vector<std::string>{"out"});
  EXPECT_EQ(ListDirectory(dir / "base/out"), (std::vector<std::string>{"_", "__"}));
  EXPECT_EQ(ReadFile(dir / "base/out/__/Unknown - first.eml"), Text("first"));
  EXPECT_EQ(ReadFile(dir / "base/out/_/Unknown - second.eml"), Text("second"));
  EXPECT_EQ(ListDirectory(dir / "base/out/__/cur").size(), 1u);
}

// DEL and the C1 controls (Windows-1252's undefined 0x81 reads as U+0081)
// become spaces in names made from subjects, as the other controls do.
TEST(OutputFiles, ControlCharactersOfSubjectsBecomeSpaces) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", MailboxOf({"x\x7Fy\x81z"}).bytes);
  const ProcessResult result = RunQuernelProcess({"-eml", "-cp1252", "Inbox.dbx"}, dir.path());
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(ListDirectory(dir / "Inbox"), std::vector<std::string>{"Unknown - x y z.eml"});
}

// The file an interrupted run was writing when it ended is removed by the
// next run, which gives the message its own name.
TEST(OutputFiles, ARerunRemovesTheTemporaryFileAnInterruptedRunLeft) {
  ScratchDir dir;
  WriteFile(dir / "Inbox.dbx", MailboxOf({"first"}).bytes);
  ASSERT_EQ(mkdir((dir / "Inbox").c_str(), 0777), 0);
  WriteFile(dir / "Inbox/\x7Fquernel.tmp", Text("first").substr(0, 5));
  WriteFile(dir / "Inbox/quernel.tmp", "not quernel's");
  const ProcessResult result = RunQuernelProcess({"-eml", "Inbox.dbx"}, dir.path());
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(ListDirectory(dir / "Inbox"), (std::vector<std::string>{"Unknown - first.eml", "quernel.tmp"}));
  EXPECT_EQ(ReadFile(dir / "Inbox/Unknown - first.eml"), Text("first"));
}

}  // namespace
}  // namespace quernel::testing
