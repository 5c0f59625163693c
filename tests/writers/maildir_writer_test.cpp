// The Maildir writer on the in-memory file system: names, flags and times,
// the delivery through tmp/, reruns, and its failure lines.

#include "writers/maildir_writer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"
#include "platform/host.h"
#include "platform/memory/memory_file_system.h"
#include "support/dbx_builder.h"
#include "support/string_input_file.h"
#include "support/test_hosts.h"

namespace quernel {
namespace {

using testing::DbxBuilder;
using testing::FileTimeFromUnix;
using testing::StringInputFile;
using testing::TestMessage;

constexpr int64_t kReceived = 1100003600;  // 2004-11-09 12:33:20 UTC

TestMessage Message(std::string text, uint32_t flags = 0,
                    std::optional<int64_t> received = kReceived) {
  TestMessage message;
  message.text = std::move(text);
  message.flags = flags;
  message.sendTime = FileTimeFromUnix(kReceived - 60);
  if (received) message.receiveTime = FileTimeFromUnix(*received);
  return message;
}

std::string Build(const std::vector<TestMessage>& messages) {
  DbxBuilder builder;
  for (const TestMessage& message : messages) builder.add(message);
  return builder.build().bytes;
}

// Gives the messages of a list of texts, as a set of messages from
// elsewhere than a mailbox's index would; an empty text is one the source
// leaves out.
class ListedMessages final : public MessageSource {
 public:
  explicit ListedMessages(std::vector<std::string> texts) : texts_(std::move(texts)) {}
  NamingFields mailboxFields() const override { return {}; }
  int32_t messageCount() const override { return static_cast<int32_t>(texts_.size()); }
  const MessageProperties& properties(int32_t message) override {
    properties_.receiveTime = 1000 + message;
    properties_.flags = MessageFlags::kRead;
    return properties_;
  }
  bool appendText(int32_t message, std::string& text) override {
    text += texts_[static_cast<size_t>(message)];
    return !texts_[static_cast<size_t>(message)].empty();
  }

 private:
  std::vector<std::string> texts_;
  MessageProperties properties_;
};

class MaildirWriterTest : public ::testing::Test {
 protected:
  MaildirWriterTest() { fs.addDirectory("/mail"); }

  // Converts one mailbox with `writer`; returns the Maildir counter's increment.
  int32_t convert(MaildirWriter& writer, const std::string& bytes,
                  const std::string& inputPath = "/mail/Inbox.dbx") {
    StringInputFile file(bytes, inputPath);
    MailboxReader reader(file, SystemHost().calendar);
    int32_t counter = 0;
    const std::string fileName = SystemHost().paths.fileNamePart(inputPath);
    writer.convertMailbox(options, inputPath, fileName, fileName, reader, counter);
    return counter;
  }

  int32_t convert(const std::vector<TestMessage>& messages,
                  const std::string& inputPath = "/mail/Inbox.dbx") {
    return convert(writer, Build(messages), inputPath);
  }

  // The regular files under `folder`, relative to it, sorted.
  std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const std::string& path : fs.listFiles()) {
      if (path.starts_with(folder + "/")) names.push_back(path.substr(folder.size() + 1));
    }
    return names;
  }

  MemoryFileSystem fs;
  StringConsole console;
  MaildirOptions options;
  MaildirWriter writer{fs, console, SystemHost()};
};

// Through tmp/ into cur/, the text exactly as stored, the receive time as
// modification time; a message without one is named 0 and keeps its write
// time (the send time is not taken instead).
TEST_F(MaildirWriterTest, EachMessageGoesToCurWithItsTimeNumberAndFlags) {
  const std::string raw = "From: a\r\nSubject: x\r\n\r\nFrom here\n>From there\r\n\xE4\xF6";
  std::vector<TestMessage> messages = {
      Message(raw, 0),
      Message("read", MessageFlags::kRead),
      Message("all", MessageFlags::kRead | MessageFlags::kAnswered | MessageFlags::kMarked |
                         MessageFlags::kForwarded | 0x08 | 0x4000),
      Message("flagged, forwarded", MessageFlags::kMarked | MessageFlags::kForwarded, kReceived + 7),
      Message("answered, composed here", MessageFlags::kAnswered | 0x08),
      Message("", 0, std::nullopt),
  };
  EXPECT_EQ(convert(messages), 1);
  EXPECT_EQ(console.text(), "");
  EXPECT_EQ(filesIn("/mail/Inbox"), (std::vector<std::string>{
                                        "cur/0.Q5.quernel:2,",
                                        "cur/1100003600.Q0.quernel:2,",
                                        "cur/1100003600.Q1.quernel:2,S",
                                        "cur/1100003600.Q2.quernel:2,FPRS",
                                        "cur/1100003600.Q4.quernel:2,R",
                                        "cur/1100003607.Q3.quernel:2,FP",
                                    }));
  EXPECT_EQ(fs.contents("/mail/Inbox/cur/1100003600.Q0.quernel:2,"), raw);
  EXPECT_EQ(fs.mtimeOf("/mail/Inbox/cur/1100003607.Q3.quernel:2,FP"), kReceived + 7);
  EXPECT_EQ(fs.contents("/mail/Inbox/cur/0.Q5.quernel:2,"), "");
  EXPECT_NE(fs.mtimeOf("/mail/Inbox/cur/0.Q5.quernel:2,"), kReceived - 60);
  EXPECT_EQ(fs.stats().renames, messages.size());
  EXPECT_TRUE(fs.exists("/mail/Inbox/new"));
  EXPECT_TRUE(fs.exists("/mail/Inbox/tmp"));
}

TEST_F(MaildirWriterTest, ARerunAddsNothingTwiceWhateverTheFlagsBecame) {
  const std::string bytes = Build({Message("1", MessageFlags::kRead), Message("2")});
  ASSERT_EQ(convert(writer, bytes), 1);
  // A mail program has marked the second message read and flagged.
  fs.renameFile("/mail/Inbox/cur/1100003600.Q1.quernel:2,", "/mail/Inbox/cur/1100003600.Q1.quernel:2,FS");
  MaildirWriter rerun(fs, console, SystemHost());
  fs.resetStats();
  EXPECT_EQ(convert(rerun, bytes), 1);
  EXPECT_EQ(fs.stats().outputCreates, 0u);
  EXPECT_EQ(filesIn("/mail/Inbox"), (std::vector<std::string>{"cur/1100003600.Q0.quernel:2,S",
                                                              "cur/1100003600.Q1.quernel:2,FS"}));
  EXPECT_EQ(console.text(), "");
}

// The Windows rules, handed in on Linux: "\\" between the parts and "!"
// before the flags, also where a rerun looks for what is there. The
// in-memory file system takes "\\" for an ordinary character, so each path
// is one name in its current directory.
TEST_F(MaildirWriterTest, TheHandedHostsRulesMakeAndFindTheNames) {
  MaildirWriter windows(fs, console, testing::WindowsRulesHost());
  options.outputDirectory = "C:\\out";
  const std::string bytes = Build({Message("1", MessageFlags::kRead), Message("2")});
  ASSERT_EQ(convert(windows, bytes, "Inbox.dbx"), 1);
  const std::string cur = "C:\\out\\Inbox\\cur\\";
  EXPECT_EQ(fs.contents(cur + "1100003600.Q0.quernel!2,S"), "1");
  fs.renameFile(cur + "1100003600.Q1.quernel!2,", cur + "1100003600.Q1.quernel!2,FS");
  MaildirWriter rerun(fs, console, testing::WindowsRulesHost());
  ASSERT_EQ(convert(rerun, bytes, "Inbox.dbx"), 1);
  std::vector<std::string> written;
  for (const std::string& path : fs.listFiles()) {
    if (path.find("quernel") != std::string::npos) written.push_back(path);
  }
  EXPECT_EQ(written, (std::vector<std::string>{cur + "1100003600.Q0.quernel!2,S",
                                               cur + "1100003600.Q1.quernel!2,FS"}));
  EXPECT_EQ(console.text(), "");
}

TEST_F(MaildirWriterTest, OverwriteReplacesEachMessageAndDropsItsOtherNames) {
  ASSERT_EQ(convert({Message("old 0", MessageFlags::kRead), Message("old 1")}), 1);
  fs.renameFile("/mail/Inbox/cur/1100003600.Q1.quernel:2,", "/mail/Inbox/cur/1100003600.Q1.quernel:2,T");
  fs.addFile("/mail/Inbox/new/1100003600.Q0.quernel", "delivered by hand");
  fs.addFile("/mail/Inbox/cur/other", "not ours");

  options.overwrite = true;
  MaildirWriter rerun(fs, console, SystemHost());
  EXPECT_EQ(convert(rerun, Build({Message("new 0", MessageFlags::kRead), Message("new 1")})), 1);
  EXPECT_EQ(filesIn("/mail/Inbox"), (std::vector<std::string>{"cur/1100003600.Q0.quernel:2,S",
                                                              "cur/1100003600.Q1.quernel:2,",
                                                              "cur/other"}));
  EXPECT_EQ(fs.contents("/mail/Inbox/cur/1100003600.Q0.quernel:2,S"), "new 0");
  EXPECT_EQ(fs.contents("/mail/Inbox/cur/1100003600.Q1.quernel:2,"), "new 1");
}

TEST_F(MaildirWriterTest, TwoMailboxesOfOneRunInOneMaildirKeepEveryMessage) {
  // Inbox.dbx and Inbox.DBX, or two backups of one mailbox: the same folder.
  options.overwrite = true;
  EXPECT_EQ(convert({Message("first 0"), Message("first 1")}, "/mail/Inbox.dbx"), 1);
  EXPECT_EQ(convert({Message("second 0")}, "/mail/Inbox.DBX"), 1);
  EXPECT_EQ(filesIn("/mail/Inbox"), (std::vector<std::string>{"cur/1100003600.Q0-1.quernel:2,",
                                                              "cur/1100003600.Q0.quernel:2,",
                                                              "cur/1100003600.Q1.quernel:2,"}));
  EXPECT_EQ(fs.contents("/mail/Inbox/cur/1100003600.Q0-1.quernel:2,"), "second 0");

  // A rerun gives the same names, so it finds them all.
  options.overwrite = false;
  MaildirWriter rerun(fs, console, SystemHost());
  EXPECT_EQ(convert(rerun, Build({Message("first 0"), Message("first 1")}), "/mail/Inbox.dbx"), 1);
  EXPECT_EQ(convert(rerun, Build({Message("second 0")}), "/mail/Inbox.DBX"), 1);
  EXPECT_EQ(filesIn("/mail/Inbox").size(), 3u);
}

TEST_F(MaildirWriterTest, OneFolderUnderTwoSpellingsIsOneMaildir) {
  MemoryFileSystem drive(MemoryFileSystem::NameCase::Insensitive);
  drive.addDirectory("/out");
  MaildirWriter caseBlind(drive, console, SystemHost());
  options.outputDirectory = "/out";
  for (const char* input : {"/a/Inbox.dbx", "/b/INBOX.dbx"}) {
    StringInputFile file(Build({Message(input)}), input);
    MailboxReader reader(file, SystemHost().calendar);
    int32_t counter = 0;
    caseBlind.convertMailbox(options, input, SystemHost().paths.fileNamePart(input), SystemHost().paths.fileNamePart(input), reader, counter);
    EXPECT_EQ(counter, 1);
  }
  EXPECT_EQ(drive.contents("/out/Inbox/cur/1100003600.Q0.quernel:2,"), "/a/Inbox.dbx");
  EXPECT_EQ(drive.contents("/out/Inbox/cur/1100003600.Q0-1.quernel:2,"), "/b/INBOX.dbx");
}

TEST_F(MaildirWriterTest, AnyFolderAndAnySetOfMessagesCanBeWritten) {
  fs.addDirectory("/out/Inbox");
  ListedMessages found({"a", "", "c"});
  EXPECT_TRUE(writer.writeFolder("/out/Inbox/.recovered/", found, false, "Inbox.dbx"));
  EXPECT_EQ(filesIn("/out/Inbox/.recovered"), (std::vector<std::string>{
                                                  "cur/1000.Q0.quernel:2,S", "cur/1002.Q2.quernel:2,S"}));
  EXPECT_EQ(fs.mtimeOf("/out/Inbox/.recovered/cur/1002.Q2.quernel:2,S"), 1002);
  EXPECT_EQ(console.text(), "");
}

TEST_F(MaildirWriterTest, AFailureGivesTheEmlLinesRemovesTheTmpFileAndEndsTheMailbox) {
  using Operation = MemoryFileSystem::Operation;
  const std::string tmp1 = "/mail/Inbox/tmp/1100003600.Q1.quernel:2,";
  const std::string cur1 = "/mail/Inbox/cur/1100003600.Q1.quernel:2,";
  const struct {
    const char* name;
    Operation operation;
    std::string path;
    FileErrorCause cause;
    std::string line;
  } cases[] = {
      {"create", Operation::CreateOutput, tmp1, FileErrorCause::AccessDenied,
       "Unable to open outputfile \"" + tmp1 + "\"!\n"},
      {"write", Operation::Write, tmp1, FileErrorCause::DiskFull,
       "Unable to write to outputfile \"" + tmp1 + "\" (disk full?)\n"},
      {"close", Operation::Close, tmp1, FileErrorCause::HardwareError,
       "Unable to write to outputfile \"" + tmp1 + "\" (disk full?)\n"},
      {"rename", Operation::Rename, cur1, FileErrorCause::AccessDenied,
       "Unable to write to outputfile \"" + cur1 + "\" (disk full?)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem failing;
    failing.addDirectory("/mail");
    failing.failOn(c.operation, c.path, c.cause);
    StringConsole lines;
    MaildirWriter failingWriter(failing, lines, SystemHost());
    StringInputFile file(Build({Message("0"), Message("1"), Message("2")}), "/mail/Inbox.dbx");
    MailboxReader reader(file, SystemHost().calendar);
    int32_t counter = 0;
    failingWriter.convertMailbox(options, "/mail/Inbox.dbx", "Inbox.dbx", "Inbox.dbx", reader, counter);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(lines.text(), c.line);
    EXPECT_EQ(failing.listFiles(), (std::vector<std::string>{"/mail/Inbox/cur/1100003600.Q0.quernel:2,"}));
  }
}

TEST_F(MaildirWriterTest, ADamagedTextNamesTheMailbox) {
  DbxBuilder builder;
  for (int i = 0; i < 3; ++i) builder.add(Message(std::string(1500, 'a' + i)));
  auto built = builder.build();
  const uint32_t block = built.blockOffsets[1][0];
  testing::PutU32(built.bytes, block + 0x0C, block);  // points to itself
  EXPECT_EQ(convert(writer, built.bytes), 0);
  EXPECT_EQ(console.text(), "File \"Inbox.dbx\" seems to be defective!\n");
  EXPECT_EQ(filesIn("/mail/Inbox"), (std::vector<std::string>{"cur/1100003600.Q0.quernel:2,"}));
}

}  // namespace
}  // namespace quernel
