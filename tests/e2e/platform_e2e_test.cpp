// End-to-end checks of what the platform layer decides: which files a pattern
// matches and in which order, how names are shown, that an output never
// replaces an open input, local time and file times, and how several
// positional arguments are read. Run against every build; the expected
// results differ only through target_platform.h.

#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/quernel_process.h"
#include "e2e/target_platform.h"
#include "support/dbx_builder.h"
#include "support/local_zone.h"

namespace quernel::testing {
namespace {

std::string MailboxSentAt(const std::vector<int64_t>& sendTimes) {
  DbxBuilder builder;
  int number = 0;
  for (int64_t sendTime : sendTimes) {
    TestMessage message;
    message.subject = "message " + std::to_string(++number);
    message.text = "Subject: " + *message.subject + "\r\n\r\nBody\r\n";
    message.senderName = "Sender";
    message.senderAddress = "sender@example.com";
    message.sendTime = FileTimeFromUnix(sendTime);
    builder.add(message);
  }
  return builder.build().bytes;
}

std::string OneMessageMailbox() { return MailboxSentAt({1100000000}); }

std::string ProcessingLines(const std::vector<std::string>& names) {
  std::string lines;
  for (const std::string& name : names) {
    lines += "Processing mailbox \"" + ShownName(name) + "\" (1 messages)...\n";
  }
  return lines;
}

TEST(Platform, PatternMatchesAndTheirOrder) {
  ScratchDir dir;
  const std::vector<std::string> names = {"b.dbx", "A.dbx", "c.DBX", "x.dbxx", "a2.dbx", "Z.txt"};
  std::vector<std::string> matching;
  for (const std::string& name : names) {
    WriteFile(dir / name, OneMessageMailbox());
    if (StarDotDbxMatches(name)) matching.push_back(name);
  }
  ASSERT_EQ(mkdir((dir / "d.dbx").c_str(), 0777), 0);  // directories never match

  ProcessResult result = RunQuernelProcess({"-mbx", "*.dbx"}, dir.path());
  const std::string count = std::to_string(matching.size());
  EXPECT_EQ(result.out, ProcessingLines(InMatchOrder(matching)) + count + " of " + count +
                            " mailboxes converted to MBOXO-format!\n");
  EXPECT_EQ(result.status, 0);
}

TEST(Platform, NonAsciiNameIsShownInTheConsoleCharacterSet) {
  ScratchDir dir;
  const std::string name = "Caf\xC3\xA9 Gr\xC3\xBC\xC3\x9F" "e.dbx";  // UTF-8 on the Linux disk
  WriteFile(dir / name, OneMessageMailbox());
  ProcessResult result = RunQuernelProcess({"-mbx", "*.dbx"}, dir.path());
  EXPECT_EQ(result.out, ProcessingLines({name}) + "1 of 1 mailboxes converted to MBOXO-format!\n");
  EXPECT_TRUE(FileExists(dir / "Caf\xC3\xA9 Gr\xC3\xBC\xC3\x9F" "e.mbx"));
}

TEST(Platform, OutputNamedLikeTheOpenInputLeavesItWhole) {
  ScratchDir dir;
  const std::string mailbox = OneMessageMailbox();
  WriteFile(dir / "Inbox.dbx", mailbox);
  ProcessResult result = RunQuernelProcess({"-mbx$DBXNAME$.dbx", "Inbox.dbx"}, dir.path());
  EXPECT_EQ(result.out, "Processing mailbox \"Inbox.dbx\" (1 messages)...\n"
                        "Unable to open outputfile \"" + ShownFullPath(dir / "Inbox.dbx") + "\"!\n"
                        "0 of 1 mailboxes converted to MBOXO-format!\n");
  EXPECT_EQ(ReadFile(dir / "Inbox.dbx"), mailbox);
}

// A summer and a winter date under a zone with daylight saving: the mbox
// separator lines show the local time of each, and each .eml file carries
// the exact instant, whatever the season in which quernel runs.
TEST(Platform, LocalTimeAndFileTimesAreExact) {
  LocalZone zone("Europe/Berlin");  // inherited by the process
  ScratchDir dir;
  const int64_t summer = 1120000000;  // 2005-06-28 23:06:40 UTC
  const int64_t winter = 1100000000;  // 2004-11-09 11:33:20 UTC
  WriteFile(dir / "Inbox.dbx", MailboxSentAt({summer, winter}));
  ProcessResult result = RunQuernelProcess({"-mbx", "-eml", "Inbox.dbx"}, dir.path());
  ASSERT_EQ(result.status, 0);

  const std::string mbox = ReadFile(dir / "Inbox.mbx");
  EXPECT_NE(mbox.find("From sender@example.com Wed Jun 29 01:06:40 2005\r\n"), std::string::npos) << mbox;
  EXPECT_NE(mbox.find("From sender@example.com Tue Nov 09 12:33:20 2004\r\n"), std::string::npos) << mbox;

  std::set<int64_t> stamps;
  for (const std::string& name : ListDirectory(dir / "Inbox")) {
    struct stat info;
    ASSERT_EQ(stat((dir / "Inbox/" + name).c_str(), &info), 0);
    stamps.insert(info.st_mtime);
  }
  EXPECT_EQ(stamps, (std::set<int64_t>{summer, winter}));
}

// The second mailbox is appended to the file the first one created.
TEST(Platform, OneMboxFileForAllMailboxesKeepsEveryMessage) {
  ScratchDir dir;
  WriteFile(dir / "a.dbx", MailboxSentAt({1100000000}));
  WriteFile(dir / "b.dbx", MailboxSentAt({1100000000, 1100000001}));
  WriteFile(dir / "All.mbox", "old contents\r\n");
  ProcessResult result = RunQuernelProcess({"-mbxAll.mbox", "?.dbx"}, dir.path());
  EXPECT_EQ(result.out, "Processing mailbox \"a.dbx\" (1 messages)...\n"
                        "Processing mailbox \"b.dbx\" (2 messages)...\n"
                        "2 of 2 mailboxes converted to MBOXO-format!\n");
  const std::string mbox = ReadFile(dir / "All.mbox");
  EXPECT_EQ(mbox.rfind("From sender@example.com ", 0), 0u) << "the old contents are replaced";
  size_t separators = 0;
  for (size_t at = mbox.find("\r\nFrom "); at != std::string::npos; at = mbox.find("\r\nFrom ", at + 1)) {
    ++separators;
  }
  EXPECT_EQ(separators + 1, 3u) << mbox;
}

TEST(Platform, SeveralPositionalArguments) {
  ScratchDir dir;
  WriteFile(dir / "a.dbx", OneMessageMailbox());
  WriteFile(dir / "b.dbx", OneMessageMailbox());
  ASSERT_EQ(mkdir((dir / "out").c_str(), 0777), 0);
  ProcessResult result = RunQuernelProcess({"-mbx", "a.dbx", "out", "b.dbx"}, dir.path());
  if (TakesOneInputAndOneOutputDirectory()) {
    EXPECT_EQ(result.out, ProcessingLines({"a.dbx"}) + "1 of 1 mailboxes converted to MBOXO-format!\n");
    EXPECT_EQ(ListDirectory(dir / "out"), std::vector<std::string>{"a.mbx"});
    EXPECT_FALSE(FileExists(dir / "b.mbx"));
  } else {
    // An existing file at the end is an input; "out" is one too, matching
    // only a directory.
    EXPECT_EQ(result.out, ProcessingLines({"a.dbx", "b.dbx"}) + "2 of 2 mailboxes converted to MBOXO-format!\n");
    EXPECT_TRUE(FileExists(dir / "a.mbx"));
    EXPECT_TRUE(FileExists(dir / "b.mbx"));
  }
}

}  // namespace
}  // namespace quernel::testing
